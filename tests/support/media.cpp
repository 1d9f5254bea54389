#include "support/media.h"

#include <gtest/gtest.h>

#include "platform/platform.h"
#include "support/mp4_boxes.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <sstream>
#include <stdexcept>

namespace testing_support {
namespace {

std::mutex g_mutex;
std::map<std::string, std::string> g_made;

struct TempRoot {
  std::string path;
  TempRoot() {
    char pattern[] = "/tmp/flipframe-test-XXXXXX";
    char* made = mkdtemp(pattern);
    if (!made) throw std::runtime_error("cannot create a temporary folder");
    path = made;
  }
  ~TempRoot() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
};

const char* const kMediaCache = "/tmp/flipframe-test-media";

// Makes `name` in the media cache with the given lavfi arguments unless it is there already.
// The file is written under a private name and renamed, so a concurrent test process never
// sees a half-written file; a lock per name makes the others wait for it rather than make
// the same file again.
std::string Make(const std::string& name, const std::string& args) {
  std::lock_guard<std::mutex> lock(g_mutex);
  auto it = g_made.find(name);
  if (it != g_made.end()) return it->second;
  std::filesystem::create_directories(kMediaCache);
  std::string path = kMediaCache;  // built piecewise: gcc 12 misreads the one-line sum (-Wstringop-overflow)
  path += '/';
  path += name;
  const int fileLock = plat::LockFile(path + ".lock");
  if (!std::filesystem::exists(path)) {
    std::string ext = std::filesystem::path(name).extension().string();
    std::string part = path + ".part" + std::to_string(getpid()) + ext;
    std::string cmd = "ffmpeg -hide_banner -loglevel error -y " + args + " \"" + part + "\"";
    const int status = Shell(cmd);
    if (status == 0) std::filesystem::rename(part, path);
    if (fileLock >= 0) plat::UnlockFile(fileLock);
    if (status != 0) throw std::runtime_error("ffmpeg could not make " + name + ": " + cmd);
  } else if (fileLock >= 0) {
    plat::UnlockFile(fileLock);
  }
  g_made[name] = path;
  return path;
}

std::string Num(int v) { return std::to_string(v); }

}  // namespace

std::string TempFolder() {
  static TempRoot root;
  return root.path;
}

int Shell(const std::string& command) {
  int rc = std::system(command.c_str());
  return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

std::string ShellQuoted(const std::string& s) {
  std::string quoted = "'";
  for (char c : s) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string Capture(const std::string& command) {
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  if (!p) return out;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  pclose(p);
  return out;
}

double Ssim(const std::string& a, const std::string& b, SsimOf planes) {
  const std::string graph =
      planes == SsimOf::Brightness ? "'[0]format=gray[a];[1]format=gray[b];[a][b]ssim'" : "ssim";
  std::string command = "ffmpeg -hide_banner -nostdin -i ";
  command.append(ShellQuoted(a)).append(" -i ").append(ShellQuoted(b));
  command.append(" -lavfi ").append(graph).append(" -f null - 2>&1");
  const std::string out = Capture(command);
  const size_t at = out.rfind("All:");
  return at == std::string::npos ? 0 : std::atof(out.c_str() + at + 4);
}

std::string VideoWithSound(int w, int h, int s, int fps) {
  std::string name = "av_" + Num(w) + "x" + Num(h) + "_" + Num(s) + "s_" + Num(fps) + ".mp4";
  return Make(name, "-f lavfi -i testsrc2=size=" + Num(w) + "x" + Num(h) + ":rate=" + Num(fps) +
                        ":duration=" + Num(s) + " -f lavfi -i sine=frequency=440:duration=" + Num(s) +
                        " -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac -shortest");
}

std::string VideoWithoutSound(int w, int h, int s, int fps) {
  std::string name = "v_" + Num(w) + "x" + Num(h) + "_" + Num(s) + "s_" + Num(fps) + ".mp4";
  return Make(name, "-f lavfi -i testsrc2=size=" + Num(w) + "x" + Num(h) + ":rate=" + Num(fps) +
                        ":duration=" + Num(s) + " -c:v libx264 -preset ultrafast -pix_fmt yuv420p");
}

std::string StillPng(int w, int h) {
  return Make("still_" + Num(w) + "x" + Num(h) + ".png",
              "-f lavfi -i testsrc2=size=" + Num(w) + "x" + Num(h) + ":rate=1:duration=1 -frames:v 1");
}

std::string AnimatedGif(int w, int h, int s, int fps) {
  return Make(
      "anim_" + Num(w) + "x" + Num(h) + "_" + Num(s) + "s_" + Num(fps) + ".gif",
      "-f lavfi -i testsrc2=size=" + Num(w) + "x" + Num(h) + ":rate=" + Num(fps) + ":duration=" + Num(s));
}

std::string AudioOnly(int s) {
  return Make("audio_" + Num(s) + "s.m4a", "-f lavfi -i sine=frequency=330:duration=" + Num(s) + " -c:a aac");
}

std::string CurrentTestFolder(const std::string& prefix) {
  const std::string folder =
      TempFolder() + "/" + prefix + ::testing::UnitTest::GetInstance()->current_test_info()->name();
  plat::MakeDirs(folder);
  return folder;
}

std::string RealClip(const std::string& package, const std::string& pathInPackage) {
  const char* folder = std::getenv("FLIPFRAME_REAL_CLIPS");
  std::string path = folder && *folder ? folder : "/var/cache/flipframe-real-clips";
  path += "/" + package + "/" + pathInPackage;
  if (!std::filesystem::is_regular_file(path))
    throw std::runtime_error(path + " is missing: run scripts/real_clips.sh (the test command does)");
  return path;
}

std::string CopyInto(const std::string& file, const std::string& folder) {
  std::filesystem::create_directories(folder);
  std::string target = folder + "/" + std::filesystem::path(file).filename().string();
  std::filesystem::copy_file(file, target, std::filesystem::copy_options::overwrite_existing);
  return target;
}

// MP4 and MOV files are read from their boxes; others by one ffprobe run: "key=value" lines of
// each stream (its kind and size) and of the container.
ProbeFacts MediaFacts(const std::string& path) {
  ProbeFacts f;
  if (ReadMp4Facts(path, &f)) return f;
  std::istringstream lines(
      Capture("ffprobe -v error -show_entries stream=codec_type,width,height:format=duration "
              "-of default=nw=1 \"" +
              path + "\" 2>/dev/null"));
  bool firstVideo = false;  // the lines are those of the file's first video stream
  for (std::string line; std::getline(lines, line);) {
    const size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
    if (key == "codec_type") {
      firstVideo = value == "video" && !f.hasVideo;
      f.hasVideo = f.hasVideo || value == "video";
      f.hasAudio = f.hasAudio || value == "audio";
    } else if (key == "width" && firstVideo) {
      f.width = std::atoi(value.c_str());
    } else if (key == "height" && firstVideo) {
      f.height = std::atoi(value.c_str());
    } else if (key == "duration") {
      f.duration = std::atof(value.c_str());
    }
  }
  return f;
}

std::string ProgramCopy() {
  static int n = 0;
  const std::string folder = TempFolder() + "/program-copy-" + std::to_string(++n);
  std::filesystem::create_directories(folder);
  const std::string copy = folder + "/flipframe";
  std::filesystem::copy_file(FLIPFRAME_BINARY, copy, std::filesystem::copy_options::overwrite_existing);
  return copy;
}

int ConvertersOwnedBy(const std::string& folder) {
  int count = 0;
  for (const auto& p : plat::ProcessList())
    count += p.name == "ffmpeg" && plat::EnvironmentHas(p.pid, "FLIPFRAME_OWNER=" + folder);
  return count;
}

}  // namespace testing_support
