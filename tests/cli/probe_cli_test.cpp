// Probing real media made at test time: through the capture loop and parser directly, and
// through `flipframe --probe FILE` run as a user would run it (the built program).
#include "cli/probe_cli.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>

#include "platform/platform.h"
#include "probe/probe_file.h"
#include "support/media.h"
#include "support/program_folder.h"
#include "text/bytes.h"

namespace ts = testing_support;
using namespace probe;

namespace {

struct CliRun {
  int status = -1;
  std::string out, err;
  int errLines() const { return int(std::count(err.begin(), err.end(), '\n')); }
};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Runs the built program with --probe; `env` goes in front of the command (e.g. PATH=...).
// The path goes between single quotes: none of the paths used here holds one.
CliRun Probe(const std::string& file, const std::string& env = "") {
  static int n = 0;
  const std::string base = ts::TempFolder() + "/cli-run-" + std::to_string(++n);
  CliRun r;
  r.status = ts::Shell(env + " '" + ts::OwnFlipframe() + "' --probe '" + file + "' >'" + base + ".out' 2>'" +
                       base + ".err' </dev/null");
  r.out = ReadFile(base + ".out");
  r.err = ReadFile(base + ".err");
  return r;
}

// The "field: value" lines of the output.
std::map<std::string, std::string> Fields(const std::string& out) {
  std::map<std::string, std::string> f;
  std::istringstream in(out);
  for (std::string line; std::getline(in, line);) {
    const size_t colon = line.find(':');
    if (colon != std::string::npos) f[line.substr(0, colon)] = line.substr(std::min(colon + 2, line.size()));
  }
  return f;
}

const std::string& ProgramFolder() { return ts::OwnProgramFolder(); }

}  // namespace

TEST(ProbeRealConverter, KindsOfGeneratedMediaByTheLoopAndByTheCommandLine) {
  // A portrait clip under an upper-case name: the extension is given in lower case.
  const std::string upper = ts::TempFolder() + "/upper/CLIP.MP4";
  std::filesystem::create_directories(ts::TempFolder() + "/upper");
  std::filesystem::copy_file(ts::VideoWithoutSound(360, 640, 2, 30), upper,
                             std::filesystem::copy_options::overwrite_existing);
  const struct {
    const char* name;
    std::string path;
    int kind, width, height;
    const char* duration;  // how the duration text begins
    int seconds;           // 0: no bitrate check
    const char *frameRate, *extension;
  } rows[] = {
      {"video with sound", ts::VideoWithSound(1920, 1080, 5, 25), 5, 1920, 1080, "00:00:05", 5, "25", ".mp4"},
      {"video without sound", ts::VideoWithoutSound(1920, 1080, 5, 25), 3, 1920, 1080, "00:00:05", 5, "25",
       ".mp4"},
      {"PNG still", ts::StillPng(640, 480), 1, 640, 480, "N/A, bitrat", 0, "25", ".png"},
      {"GIF animation", ts::AnimatedGif(480, 270, 3, 10), 4, 480, 270, "00:00:03", 3, "10", ".gif"},
      {"sound only", ts::AudioOnly(5), 2, 0, 0, "00:00:05", 5, "", ".m4a"},
      {"portrait, upper-case name", upper, 3, 360, 640, "00:00:02", 2, "30", ".mp4"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    const ProbeOutcome out = ProbeFile(r.path);
    ASSERT_EQ(out.status, ProbeStatus::Parsed);
    const MediaInfo& m = out.info;
    EXPECT_EQ(m.quotedPath, "\"" + r.path + "\"");
    EXPECT_EQ(m.kind, r.kind);
    EXPECT_EQ(m.width, r.width);
    EXPECT_EQ(m.height, r.height);
    EXPECT_EQ(m.frameRate, r.frameRate);
    EXPECT_EQ(m.extension, r.extension);
    EXPECT_EQ(m.duration.size(), 11u);
    EXPECT_EQ(m.duration.rfind(r.duration, 0), 0u) << m.duration;
    EXPECT_EQ(text::SecondsOfDuration(m.duration), r.seconds);
    if (r.seconds > 0) {
      // The converter prints the file size in bits over the duration, in kb/s.
      const int want = int(double(std::filesystem::file_size(r.path)) * 8.0 / r.seconds / 1000.0);
      EXPECT_NEAR(text::ToInteger(m.bitrate), want, want / 20 + 2) << m.bitrate;
      EXPECT_EQ(m.bitrate.find(' '), std::string::npos) << m.bitrate;
    }

    const CliRun run = Probe(r.path);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const std::map<std::string, std::string> want = {{"kind", std::to_string(r.kind)},
                                                     {"width", std::to_string(r.width)},
                                                     {"height", std::to_string(r.height)},
                                                     {"duration", m.duration},
                                                     {"framerate", r.frameRate},
                                                     {"bitrate", m.bitrate},
                                                     {"extension", r.extension}};
    EXPECT_EQ(Fields(run.out), want) << run.out;
  }
  EXPECT_EQ(ts::ConvertersOwnedBy(ProgramFolder()), 0);
}

TEST(ProbeCommandLine, BadInputGetsOneClearLineAndANonZeroStatus) {
  const std::string dir = ts::TempFolder() + "/cli-bad";
  plat::MakeDirs(dir);
  const std::string empty = dir + "/empty.mp4", quoted = dir + "/say \"hi\".mp4";
  const std::string fifo = dir + "/pipe.mp4", garbage = dir + "/garbage.mp4";
  std::ofstream(empty).close();
  std::filesystem::copy_file(ts::VideoWithoutSound(320, 180, 2, 25), quoted,
                             std::filesystem::copy_options::overwrite_existing);
  mkfifo(fifo.c_str(), 0644);
  ASSERT_EQ(ts::Shell("head -c 5000 /dev/urandom > '" + garbage + "'"), 0);

  const struct {
    std::string path, env;
    int status;
    const char* says;
  } rows[] = {
      {dir + "/missing.mp4", "", 2, "文件不存在"},
      {dir, "", 2, "这是文件夹"},
      {empty, "", 2, "文件为空"},
      {quoted, "", 2, "双引号"},
      {fifo, "", 2, "不是普通文件"},
      {garbage, "", 1, "nvalid data"},  // the converter's own line
      {ts::VideoWithSound(1920, 1080, 5, 25), "PATH=/nonexistent", 3, "ffmpeg"},
  };
  ASSERT_FALSE(plat::IsExecutableFile(ProgramFolder() + "/ffmpeg"));
  for (const auto& r : rows) {
    const CliRun run = Probe(r.path, r.env);
    EXPECT_EQ(run.status, r.status) << r.path << ": " << run.err;
    EXPECT_EQ(run.errLines(), 1) << run.err;
    EXPECT_NE(run.err.find(r.says), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "") << r.path;
  }
  EXPECT_EQ(ts::ConvertersOwnedBy(ProgramFolder()), 0);
}
