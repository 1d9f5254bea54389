#pragma once
// Text in the bands: a title above the picture and a caption below it, centred in the empty
// band of the blur and colour layouts, or laid over the picture (with an outline and a shadow)
// where there is no band. Long text wraps to the band's width; text that still does not fit
// is made smaller, never cut off.
//
// The converter's drawtext reads each line from a file the program writes beside the output,
// with expansion off: the text never enters the filter graph, whatever it holds.
#include <string>
#include <string_view>
#include <vector>

namespace task {

struct TaskRecord;

struct BandTexts {
  std::string title, caption;  // UTF-8; '\n' breaks a line; {name} and {index} already filled in
  std::string font;            // "" the default font, a fontconfig family name, or a font file's path
  int size = 0;                // text height in pixels before shrinking; 0: from the canvas width
  std::string colour = "FFFFFF", outline = "000000";  // RRGGBB
  bool used() const { return !title.empty() || !caption.empty(); }
  bool operator==(const BandTexts&) const = default;
};

inline constexpr int kMaxBandText = 1000;  // bytes of one text

// `text` with "{name}" replaced by `name` and "{index}" by `index`; "\n" written as the two
// characters '\' 'n' (as a command line carries it) becomes a line break.
std::string FillBandText(std::string_view text, std::string_view name, int index);

// Both texts filled in for the task of `foreground` (a path; {name} is its file name without
// the extension) numbered `index`.
BandTexts FilledBandTexts(const BandTexts& texts, const std::string& foreground, int index);

// Why these settings cannot be used ("" when they can): texts of valid UTF-8 without control
// characters but line breaks, colours RRGGBB, a size of 0 or 8 to 400, a font name without
// control characters.
std::string BandTextsProblem(const BandTexts& texts);

// Lines of `text` wrapped to `width` pixels at `size`, and the size, shrunk until every line
// fits the width and all of them the height.
struct FittedText {
  int size = 0;
  std::vector<std::string> lines;
};
FittedText FitText(std::string_view text, int width, int height, int size);
// A generous estimate of the width of `line` at `size` pixels (wide characters one em).
double EstimatedWidth(std::string_view line, int size);

// A file drawtext reads, and what the program writes into it.
struct BandTextFile {
  std::string path, content;
};
struct BandTextPlan {
  std::string filters;  // ",drawtext=...,drawtext=..." appended to the graph's last filter
  std::vector<BandTextFile> files;
};
// The drawtext filters and their files for a task whose temporary output is `output`;
// `fontFile` is the font file to draw with ("" leaves it to the converter).
BandTextPlan PlanBandTexts(const TaskRecord& t, const std::string& output, const std::string& fontFile);

}  // namespace task
