#include "task/band_text.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "reframe/crop_command.h"
#include "task/control_rules.h"
#include "task/task_record.h"
#include "text/encoding.h"

namespace task {
namespace {

constexpr int kSmallestSize = 6;

// The next character of UTF-8 `s` from `at`: its code point and byte length (a stray byte
// counts as one character of its own).
char32_t NextChar(std::string_view s, size_t at, size_t& length) {
  const auto b = static_cast<unsigned char>(s[at]);
  length = b < 0x80 ? 1 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
  if (at + length > s.size()) length = 1;
  if (length == 1) return b;
  char32_t c = b & (0x7F >> length);
  for (size_t i = 1; i < length; ++i) c = c << 6 | (static_cast<unsigned char>(s[at + i]) & 0x3F);
  return c;
}

// Characters drawn one em wide, between which a line may break: CJK, kana, Hangul, full-width
// forms, emoji.
bool IsWide(char32_t c) {
  return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7A3) ||
         (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
         (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x1F300 && c <= 0x1FAFF) || c >= 0x20000;
}

// Width in em, on the generous side of common sans fonts, so that estimated lines never
// overflow the band.
double CharWidth(char32_t c) {
  if (IsWide(c)) return 1.0;
  if (c == 'M' || c == 'W' || c == 'm' || c == 'w' || c == '@' || c == '%') return 1.0;
  if (c == ' ' || c == 'i' || c == 'l' || c == 'j' || c == '.' || c == ',' || c == ':' || c == ';' ||
      c == '\'' || c == '!' || c == '|')
    return 0.4;
  if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return 0.75;
  if (c < 0x80) return 0.65;
  return 0.8;
}

// Pieces of a paragraph a line may break between: a word, or one wide character. `spaced`
// says a space stood before it.
struct Piece {
  std::string text;
  bool spaced = false;
};

std::vector<Piece> Pieces(std::string_view paragraph) {
  std::vector<Piece> pieces;
  bool space = false, open = false;
  for (size_t at = 0, n = 0; at < paragraph.size(); at += n) {
    const char32_t c = NextChar(paragraph, at, n);
    const std::string_view bytes = paragraph.substr(at, n);
    if (c == ' ' || c == '\t') {
      space = !pieces.empty();
      open = false;
    } else if (IsWide(c) || !open) {
      pieces.push_back({std::string(bytes), space});
      space = false;
      open = !IsWide(c);
    } else {
      pieces.back().text += bytes;
    }
  }
  return pieces;
}

// Splits a piece too wide for any line into runs of characters that fit.
std::vector<std::string> Broken(const std::string& piece, int width, int size) {
  std::vector<std::string> runs{""};
  for (size_t at = 0, n = 0; at < piece.size(); at += n) {
    NextChar(piece, at, n);
    const std::string next = runs.back() + piece.substr(at, n);
    if (!runs.back().empty() && EstimatedWidth(next, size) > width) {
      runs.push_back(piece.substr(at, n));
    } else {
      runs.back() = next;
    }
  }
  return runs;
}

// Greedy wrapping at `size`; false when a piece is wider than a line (unless `force`, which
// breaks it between characters).
bool Wrap(std::string_view text, int width, int size, bool force, std::vector<std::string>& lines) {
  lines.clear();
  size_t start = 0;
  while (start <= text.size()) {
    const size_t end = std::min(text.find('\n', start), text.size());
    lines.emplace_back();
    for (const Piece& p : Pieces(text.substr(start, end - start))) {
      std::vector<std::string> runs{p.text};
      if (EstimatedWidth(p.text, size) > width) {
        if (!force) return false;
        runs = Broken(p.text, width, size);
      }
      for (size_t i = 0; i < runs.size(); ++i) {
        const std::string joined =
            lines.back() + (p.spaced && i == 0 && !lines.back().empty() ? " " : "") + runs[i];
        if (lines.back().empty() || EstimatedWidth(joined, size) <= width) {
          lines.back() = joined;
        } else {
          lines.push_back(runs[i]);
        }
      }
    }
    start = end + 1;
  }
  return true;
}

int LineHeight(int size) { return (size * 5 + 3) / 4; }

bool IsColour(const std::string& s) {
  if (s.size() != 6) return false;
  for (char c : s)
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
  return true;
}

bool HasControl(const std::string& s, bool lineBreaks) {
  for (unsigned char c : s)
    if ((c < 0x20 && !(lineBreaks && c == '\n')) || c == 0x7F) return true;
  return false;
}

// Where a text goes: its band, or a strip over the picture where the band is too thin.
struct Zone {
  int top = 0, height = 0;
  bool overPicture = false;
};

std::pair<Zone, Zone> Zones(const TaskRecord& t) {
  const int W = t.outputWidth, H = t.outputHeight;
  const bool banded = (t.layout.kind == LayoutKind::Blur || t.layout.kind == LayoutKind::Colour) &&
                      IsPortraitRatio(t.ratioIndex) && t.foregroundWidth > 0 && t.foregroundHeight > 0;
  const int shown =
      banded ? static_cast<int>(std::lround(double(W) * t.foregroundHeight / t.foregroundWidth)) : H;
  const int band = (H - shown) / 2;
  if (band >= H / 12) return {{0, band, false}, {H - band, band, false}};
  const int strip = H / 6, margin = H / 24;
  return {{margin, strip, true}, {H - margin - strip, strip, true}};
}

// The drawtext filters of one text in its zone; `name` tells its files apart.
void PlanText(const std::string& text, const Zone& zone, const TaskRecord& t, const std::string& output,
              const char* name, const std::string& fontFile, BandTextPlan& plan) {
  if (text.empty()) return;
  const BandTexts& b = t.bandTexts;
  const int preferred = b.size > 0 ? b.size : std::max(kSmallestSize, t.outputWidth / 16);
  const FittedText fitted = FitText(text, t.outputWidth * 9 / 10, zone.height * 17 / 20, preferred);
  const int step = LineHeight(fitted.size);
  const int first = zone.top + (zone.height - step * int(fitted.lines.size())) / 2 + (step - fitted.size) / 2;
  const int border = std::max(zone.overPicture ? 2 : 1, fitted.size / (zone.overPicture ? 12 : 20));
  for (size_t i = 0; i < fitted.lines.size(); ++i) {
    if (fitted.lines[i].empty()) continue;
    const std::string path = output + "." + name + "-" + std::to_string(i + 1) + ".txt";
    plan.files.push_back({path, fitted.lines[i]});
    plan.filters += ",drawtext=textfile=" + reframe::FilterPathText(path) + ":expansion=none";
    if (!fontFile.empty()) plan.filters += ":fontfile=" + reframe::FilterPathText(fontFile);
    plan.filters += ":fontsize=" + std::to_string(fitted.size) + ":fontcolor=0x" + b.colour +
                    ":borderw=" + std::to_string(border) + ":bordercolor=0x" + b.outline;
    if (zone.overPicture) plan.filters += ":shadowx=2:shadowy=2";
    plan.filters += ":x=(w-text_w)/2:y=" + std::to_string(first + int(i) * step);
  }
}

}  // namespace

std::string FillBandText(std::string_view text, std::string_view name, int index) {
  std::string out;
  for (size_t at = 0; at < text.size();) {
    const std::string_view rest = text.substr(at);
    if (rest.starts_with("{name}")) {
      out += name;
      at += 6;
    } else if (rest.starts_with("{index}")) {
      out += std::to_string(index);
      at += 7;
    } else if (rest.starts_with("\\n")) {
      out += '\n';
      at += 2;
    } else {
      out += text[at++];
    }
  }
  return out;
}

BandTexts FilledBandTexts(const BandTexts& texts, const std::string& foreground, int index) {
  const std::string name = foreground.substr(foreground.rfind('/') + 1);
  const size_t dot = name.rfind('.');
  const std::string stem = dot == 0 || dot == std::string::npos ? name : name.substr(0, dot);
  BandTexts filled = texts;
  filled.title = FillBandText(texts.title, stem, index);
  filled.caption = FillBandText(texts.caption, stem, index);
  return filled;
}

std::string BandTextsProblem(const BandTexts& b) {
  for (const auto& [what, text] : {std::pair{"标题", &b.title}, std::pair{"字幕", &b.caption}}) {
    if (text->size() > kMaxBandText)
      return std::string(what) + "过长（至多 " + std::to_string(kMaxBandText) + " 个字节）";
    if (!text::IsValidUtf8(*text) || HasControl(*text, true))
      return std::string(what) + "含有控制字符或无效的字符";
  }
  if (b.font.size() > 255 || !text::IsValidUtf8(b.font) || HasControl(b.font, false))
    return "字体“" + b.font + "”不是字体名称或字体文件";
  if (b.size != 0 && (b.size < 8 || b.size > 400))
    return "文字大小（" + std::to_string(b.size) + "）不在8到400之间";
  if (!IsColour(b.colour)) return "文字颜色“" + b.colour + "”不是 RRGGBB";
  if (!IsColour(b.outline)) return "描边颜色“" + b.outline + "”不是 RRGGBB";
  return "";
}

double EstimatedWidth(std::string_view line, int size) {
  double em = 0;
  for (size_t at = 0, n = 0; at < line.size(); at += n) em += CharWidth(NextChar(line, at, n));
  return em * size;
}

FittedText FitText(std::string_view text, int width, int height, int size) {
  FittedText fitted;
  for (int s = std::max(size, kSmallestSize);; s = std::max(kSmallestSize, std::min(s - 1, s * 9 / 10))) {
    const bool last = s == kSmallestSize;
    const bool wrapped = Wrap(text, width, s, last, fitted.lines);
    fitted.size = s;
    if (last || (wrapped && int(fitted.lines.size()) * LineHeight(s) <= height)) return fitted;
  }
}

BandTextPlan PlanBandTexts(const TaskRecord& t, const std::string& output, const std::string& fontFile) {
  BandTextPlan plan;
  if (!t.bandTexts.used()) return plan;
  const auto [top, bottom] = Zones(t);
  PlanText(t.bandTexts.title, top, t, output, "title", fontFile, plan);
  PlanText(t.bandTexts.caption, bottom, t, output, "caption", fontFile, plan);
  return plan;
}

}  // namespace task
