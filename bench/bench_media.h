#pragma once
// Media for the benchmarks, made at run time by the converter: a test picture with a tone.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/platform.h"
#include "probe/converter.h"
#include "text/shell_quote.h"

namespace bench {

// What a shell command line prints on its standard output.
inline std::string Capture(const std::string& line) {
  std::string out;
  if (FILE* p = popen(line.c_str(), "r")) {
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
    pclose(p);
  }
  return out;
}

// A clip of w x h and `seconds` with sound at `path` (x264, fast to make); false when the
// converter could not make it.
inline bool MakeClip(const std::string& path, int w, int h, int seconds, int rate = 25) {
  const std::string size = std::to_string(w) + "x" + std::to_string(h), secs = std::to_string(seconds);
  const std::string line =
      text::ShellLine({probe::ConverterPath(),
                       "-hide_banner",
                       "-loglevel",
                       "error",
                       "-nostdin",
                       "-y",
                       "-f",
                       "lavfi",
                       "-i",
                       "testsrc2=size=" + size + ":rate=" + std::to_string(rate) + ":duration=" + secs,
                       "-f",
                       "lavfi",
                       "-i",
                       "sine=frequency=440:duration=" + secs,
                       "-c:v",
                       "libx264",
                       "-preset",
                       "veryfast",
                       "-pix_fmt",
                       "yuv420p",
                       "-c:a",
                       "aac",
                       "-shortest",
                       path});
  return std::system(line.c_str()) == 0 && plat::FileSize(path) > 0;
}

// The SSIM of video `b` against video `a` (1 for the same pictures), -1 when not measured.
inline double Ssim(const std::string& a, const std::string& b) {
  const std::string out = Capture(text::ShellLine({probe::ConverterPath(), "-hide_banner", "-nostdin", "-i",
                                                   a, "-i", b, "-lavfi", "ssim", "-f", "null", "-"}) +
                                  " 2>&1");
  const size_t at = out.rfind("All:");
  return at == std::string::npos ? -1 : std::atof(out.c_str() + at + 4);
}

}  // namespace bench
