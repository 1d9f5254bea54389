#include "probe/sound_decode.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <stop_token>
#include <thread>

#include "probe/converter.h"
#include "probe/log_levels.h"

namespace probe {
namespace {

// "HH:MM:SS.cc" after the last " time=" of the output, in seconds; -1 without one.
double LastProgressTime(std::string_view output) {
  const size_t at = output.rfind("time=");
  if (at == std::string_view::npos) return -1;
  const std::string_view clock = output.substr(at + 5, 11);
  int h = 0, m = 0;
  double s = 0;
  if (std::sscanf(std::string(clock).c_str(), "%d:%d:%lf", &h, &m, &s) != 3 || h < 0 || m < 0 || s < 0)
    return -1;
  return h * 3600.0 + m * 60.0 + s;
}

}  // namespace

SoundDecode ReadSoundDecode(std::string_view output, int exitStatus) {
  SoundDecode d;
  // Without a sound stream nothing is left to write, and the converter says so.
  if (output.find("does not contain any stream") != std::string_view::npos) {
    d.decoded = true;
    return d;
  }
  d.errors = ErrorLines(output);
  if (exitStatus != 0) return d;
  d.decoded = true;
  d.hasSound = true;
  d.seconds = LastProgressTime(output);
  return d;
}

SoundDecode DecodeSound(const std::string& path, int limitMs) {
  std::stop_source stop;
  std::mutex m;
  std::condition_variable_any wake;
  std::jthread timer([&](std::stop_token ended) {
    std::unique_lock lock(m);
    if (!wake.wait_for(lock, ended, std::chrono::milliseconds(limitMs), [] { return false; }))
      if (!ended.stop_requested()) stop.request_stop();
  });
  // Error lines and the progress lines only: "-stats" prints them below the info level.
  const ConverterOutput out =
      RunConverterToEnd({"-hide_banner", "-nostdin", "-loglevel", "level+error", "-stats", "-i", path, "-vn",
                         "-sn", "-dn", "-f", "null", "-"},
                        stop.get_token(), size_t(1) << 20);
  timer.request_stop();
  if (out.stopped) return {};
  return ReadSoundDecode(out.bytes, out.exitStatus);
}

}  // namespace probe
