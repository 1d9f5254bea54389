#include "store/presets.h"
#include "store/settings_location.h"

#include <unistd.h>

#include <fstream>

#include "platform/platform.h"
#include "text/encoding.h"

namespace presets {
namespace {

enum class ReadResult { Missing, Unreadable, Read };

// Eight lines of captions and filters; a file far larger is no preset file.
constexpr int64_t kSettingsBytes = int64_t(1) << 20;

// The whole file as bytes. A folder or anything else we cannot read counts as unreadable.
ReadResult ReadBytes(const std::string& path, std::string& bytes) {
  if (!plat::FileExists(path)) return ReadResult::Missing;
  if (!plat::IsReadableFile(path)) return ReadResult::Unreadable;
  if (!plat::ReadFile(path, &bytes, nullptr, kSettingsBytes)) return ReadResult::Unreadable;
  return ReadResult::Read;
}

// Writes the built-in text through a temporary file that is renamed into place, so that a
// failed write (full disk) never leaves a half-written de.ini behind.
void WriteBuiltIn(const std::string& path) {
  const std::string temporary = path + ".new-" + std::to_string(getpid());
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out) return;  // unwritable folder: the built-in presets are used, nothing said
    out << BuiltInText();
    out.close();
    if (out.fail()) {
      plat::DeleteFile(temporary);
      return;
    }
  }
  // Only a file that is still missing or empty is replaced; a file someone filled in the
  // meantime stays as it is.
  if (plat::FileSize(path) > 0 || !plat::RenameFile(temporary, path)) plat::DeleteFile(temporary);
}

}  // namespace

const std::array<std::string, kLines>& BuiltInLines() {
  static const std::array<std::string, kLines> lines = {
      "上下跃动",
      "crop='in_w/1.2:in_h/1.2:(in_w-out_w)/2+((in_w-out_w)/2)*sin(n/10):(in_h-out_h)/1.2+((in_h-out_h)/"
      "1.2)*sin(n/7)'",
      "左右跃动",
      "crop='in_w/1.2:in_h/1.2:(in_w-out_w)/2+((in_w-out_w)/2)*sin(n/5):(in_h-out_h)/1.2+((in_h-out_h)/"
      "1.2)*sin(n/14)'",
      "色变",
      "hue='H=2*PI*t:s=sin(2*PI*t)+1'",
      "迷幻",
      "geq=r='X/W*r(X,Y)':g='(1-X/W)*g(X,Y)':b='(H-Y)/H*b(X,Y)'",
  };
  return lines;
}

std::string BuiltInText() {
  std::string text;
  for (const auto& line : BuiltInLines()) {
    if (!text.empty()) text += "\r\n";
    text += line;
  }
  return text;
}

std::string SettingsPath() {
  const std::string folder = SettingsFolderFor(CurrentSettingsPlaceInputs());
  if (folder.empty()) return "";
  // The config folder may not exist yet at the first start of an installed program.
  plat::MakeDirs(folder);
  return folder + "/de.ini";
}

std::vector<std::string> SplitLines(const std::string& content) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < content.size()) {
    size_t lf = content.find('\n', start);
    if (lf == std::string::npos) {
      lines.push_back(content.substr(start));
      break;
    }
    size_t end = (lf > start && content[lf - 1] == '\r') ? lf - 1 : lf;
    lines.push_back(content.substr(start, end - start));
    start = lf + 1;
  }
  return lines;
}

std::array<std::string, kLines> MergeLines(const std::string& content) {
  std::array<std::string, kLines> lines = BuiltInLines();
  const std::vector<std::string> fileLines = SplitLines(content);
  for (size_t i = 0; i < lines.size() && i < fileLines.size(); ++i)
    if (!fileLines[i].empty()) lines[i] = fileLines[i];
  return lines;
}

PresetTable TableFromLines(const std::array<std::string, kLines>& lines) {
  PresetTable table;
  for (int e = 0; e < kEffects; ++e) {
    table[size_t(e)].caption = text::CutToDisplayWidth(lines[size_t(2 * e)], kCaptionWidths[size_t(e)]);
    table[size_t(e)].filter = lines[size_t(2 * e + 1)];
  }
  return table;
}

std::string ReadOrCreateSettings(const std::string& path) {
  std::string bytes;
  switch (ReadBytes(path, bytes)) {
    case ReadResult::Unreadable:
      return BuiltInText();
    case ReadResult::Missing:
      WriteBuiltIn(path);
      return BuiltInText();
    case ReadResult::Read:
      break;
  }
  if (bytes.empty()) {
    WriteBuiltIn(path);
    return BuiltInText();
  }
  // Text ends at the first byte 0 or 0x1A; neither can be part of a UTF-8 or GBK
  // double-byte character. A file that starts with one is left untouched.
  size_t stop = bytes.find_first_of(std::string("\0\x1A", 2));
  if (stop != std::string::npos) bytes.resize(stop);
  if (bytes.empty()) return BuiltInText();
  // A byte-order mark left by a Windows editor is not part of the first caption.
  if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) bytes.erase(0, 3);
  return text::Utf8OrGbkToUtf8(bytes);
}

PresetTable LoadPresets(const std::string& path) {
  return TableFromLines(MergeLines(ReadOrCreateSettings(path)));
}

std::array<std::string, kEffects> LocalEffectFilters() {
  const std::string path = SettingsPath();
  const PresetTable table = path.empty() ? TableFromLines(BuiltInLines()) : LoadPresets(path);
  std::array<std::string, kEffects> filters;
  for (size_t e = 0; e < filters.size(); ++e) filters[e] = table[e].filter;
  return filters;
}

}  // namespace presets
