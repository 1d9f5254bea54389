// A stored command written as a shell line splits back, through a real /bin/sh, into the
// very words the program runs.
#include "text/shell_quote.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "probe/converter.h"
#include "support/media.h"

namespace {

// The words /bin/sh makes of `line`, each printed followed by byte 1.
std::vector<std::string> ShellWords(const std::string& line) {
  const std::string out = testing_support::Capture("printf '%s\\001' " + line);
  std::vector<std::string> words;
  size_t start = 0;
  for (size_t end; (end = out.find('\001', start)) != std::string::npos; start = end + 1)
    words.push_back(out.substr(start, end - start));
  return words;
}

}  // namespace

TEST(ShellQuote, StoredCommandsSplitBackIntoTheirWords) {
  const std::vector<std::string> stored = {
      "-i \"/home/u/旅行 trip (1).mp4\" -i \"/home/u/旅行 trip (1).mp4\" -to 00:01:00 -filter_complex "
      "\"[1:v]boxblur=10,crop='in_w/1.2:in_h/1.2:(in_w-out_w)/2+((in_w-out_w)/2)*sin(n/10)',"
      "scale=3413*2:1920*2,crop=1080:1920[g1];[0:v]scale=1080:-1[v];[g1][v]overlay=0:(H-h)/"
      "2\",fade=in:st=0:d=2"
      " -c:a copy -y \"/home/u/result/旅行 trip (1)_tmp.mp4\"",
      "-i \"/tmp/it's $HOME `id` \\n a&b;c|d*?[x]!~#{y}.mp4\" -an -i \"\" -y \"/tmp/out\ttab\nline.mkv\"",
  };
  for (const std::string& text : stored) {
    const std::vector<std::string> words = probe::SplitArguments(text);
    const std::string line = text::ShellLine(words);
    EXPECT_EQ(ShellWords(line), words) << line;
  }
  EXPECT_EQ(text::ShellLine({"ffmpeg", "-i", "a b.mp4", "", "-y"}), "ffmpeg -i 'a b.mp4' '' -y");
}
