#pragma once
// The effect presets kept in de.ini (beside the program, or in the user's config folder when
// installed): eight lines read in pairs, a
// caption and a converter filter for each of the four effect boxes. Pure file and text
// logic; the window applies the result to its boxes.
#include <array>
#include <string>
#include <vector>

namespace presets {

constexpr int kEffects = 4;
constexpr int kLines = 2 * kEffects;

struct Preset {
  std::string caption;  // already cut to the box's width
  std::string filter;
};
using PresetTable = std::array<Preset, kEffects>;

// Caption widths of the four boxes, as GBK counts them (a non-ASCII character counts 2).
constexpr std::array<int, kEffects> kCaptionWidths = {8, 8, 4, 4};

// The eight built-in lines and the file text made of them ("\r\n" between, none at the end).
const std::array<std::string, kLines>& BuiltInLines();
std::string BuiltInText();

// Path of the settings file: "/de.ini" in the folder settings_location.h picks (created when
// missing); "" when there is none, and then the built-in presets apply.
std::string SettingsPath();

// Splits at "\r\n" or at a lone "\n". A separator at the very end gives no extra empty line;
// text without a separator is one line; the empty text has no lines.
std::vector<std::string> SplitLines(const std::string& content);

// The eight working lines: the built-in ones, each replaced by the same non-empty line of
// `content`; lines after the eighth are ignored.
std::array<std::string, kLines> MergeLines(const std::string& content);

// Captions cut to their widths, filters as they are.
PresetTable TableFromLines(const std::array<std::string, kLines>& lines);

// Reads the settings file (UTF-8, or GBK from a Windows installation) and gives its text in
// UTF-8, up to the first byte 0 or 0x1A. A missing or empty file is first created with the
// built-in text, and the built-in text is the result. A file that cannot be read or created
// gives the built-in text; nothing is reported.
std::string ReadOrCreateSettings(const std::string& path);

// ReadOrCreateSettings + MergeLines + TableFromLines.
PresetTable LoadPresets(const std::string& path);

// The four effect filters of the local settings file (the built-in ones without one): the
// only filter texts any task runs with, whatever a task list carries.
std::array<std::string, kEffects> LocalEffectFilters();

}  // namespace presets
