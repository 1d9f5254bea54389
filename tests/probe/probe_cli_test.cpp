// `flipframe --probe FILE` run as a user would run it: the built program, real media.
#include "probe/probe_cli.h"

#include <sys/stat.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "platform/platform.h"
#include "support/media.h"

namespace ts = testing_support;

namespace {

struct CliRun {
  int status = -1;
  std::string out, err;
};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Runs the built program with --probe; `env` goes in front of the command (e.g. PATH=...).
CliRun Probe(const std::string& file, const std::string& env = "") {
  static int n = 0;
  std::string base = ts::TempFolder() + "/cli-run-" + std::to_string(++n);
  std::string cmd = env + " '" + std::string(FLIPFRAME_BINARY) + "' --probe '" + file + "' >'" +
                    base + ".out' 2>'" + base + ".err' </dev/null";
  CliRun r;
  r.status = ts::Shell(cmd);
  r.out = ReadFile(base + ".out");
  r.err = ReadFile(base + ".err");
  return r;
}

std::map<std::string, std::string> Fields(const std::string& out) {
  std::map<std::string, std::string> f;
  std::istringstream in(out);
  std::string line;
  while (std::getline(in, line)) {
    size_t colon = line.find(": ");
    if (colon != std::string::npos) f[line.substr(0, colon)] = line.substr(colon + 2);
    else if (!line.empty() && line.back() == ':') f[line.substr(0, line.size() - 1)] = "";
  }
  return f;
}

// Converters started by the program installed in `folder` that are still around.
int ConvertersOwnedBy(const std::string& folder) {
  int count = 0;
  for (const auto& p : plat::ProcessList())
    if (p.name == "ffmpeg" && plat::EnvironmentHas(p.pid, "FLIPFRAME_OWNER=" + folder)) ++count;
  return count;
}

std::string ProgramFolder() { return std::filesystem::path(FLIPFRAME_BINARY).parent_path().string(); }

int Lines(const std::string& s) {
  int n = 0;
  for (char c : s) n += c == '\n';
  return n;
}

}  // namespace

TEST(ProbeCommandLine, PrintsTheFieldsOfFiveKindsOfMedia) {
  struct Row {
    std::string path;
    const char *kind, *width, *height, *duration, *framerate, *extension;
    bool bitrate;
  } rows[] = {
      {ts::VideoWithSound(1920, 1080, 5, 25), "5", "1920", "1080", "00:00:05.00", "25", ".mp4", true},
      {ts::VideoWithoutSound(1920, 1080, 5, 25), "3", "1920", "1080", "00:00:05.00", "25", ".mp4", true},
      {ts::StillPng(640, 480), "1", "640", "480", "N/A, bitrat", "25", ".png", false},
      {ts::AnimatedGif(480, 270, 3, 10), "4", "480", "270", "00:00:03.00", "10", ".gif", true},
      {ts::AudioOnly(5), "2", "0", "0", "00:00:05.00", "", ".m4a", true},
  };
  for (const auto& r : rows) {
    CliRun run = Probe(r.path);
    EXPECT_EQ(run.status, 0) << r.path << "\n" << run.err;
    EXPECT_EQ(run.err, "") << r.path;
    auto f = Fields(run.out);
    EXPECT_EQ(f.size(), 7u) << run.out;
    EXPECT_EQ(f["kind"], r.kind) << r.path;
    EXPECT_EQ(f["width"], r.width) << r.path;
    EXPECT_EQ(f["height"], r.height) << r.path;
    EXPECT_EQ(f["duration"], r.duration) << r.path;
    EXPECT_EQ(f["framerate"], r.framerate) << r.path;
    EXPECT_EQ(f["extension"], r.extension) << r.path;
    if (r.bitrate) EXPECT_GT(std::atoi(f["bitrate"].c_str()), 0) << r.path << ": " << f["bitrate"];
  }
  EXPECT_EQ(ConvertersOwnedBy(ProgramFolder()), 0);
}

TEST(ProbeCommandLine, BadInputGetsOneClearLineAndANonZeroStatus) {
  std::string dir = ts::TempFolder() + "/cli-bad";
  plat::MakeDirs(dir);
  std::string empty = dir + "/empty.mp4";
  std::ofstream(empty).close();
  std::string quoted = dir + "/say \"hi\".mp4";
  std::filesystem::copy_file(ts::VideoWithoutSound(320, 180, 2, 25), quoted,
                             std::filesystem::copy_options::overwrite_existing);
  std::string fifo = dir + "/pipe.mp4";
  mkfifo(fifo.c_str(), 0644);
  std::string garbage = dir + "/garbage.mp4";
  ASSERT_EQ(ts::Shell("head -c 5000 /dev/urandom > '" + garbage + "'"), 0);

  struct Row { std::string path; int status; const char* says; } rows[] = {
      {dir + "/missing.mp4", 2, "no such file"},
      {dir, 2, "folder"},
      {empty, 2, "empty"},
      {quoted, 2, "double quote"},
      {fifo, 2, "not a regular file"},
      {garbage, 1, "cannot read"},
  };
  for (const auto& r : rows) {
    // The single quotes of the shell command cannot hold a quote-free path with ' in it;
    // none of these has one.
    CliRun run = Probe(r.path);
    EXPECT_EQ(run.status, r.status) << r.path << ": " << run.err;
    EXPECT_EQ(Lines(run.err), 1) << run.err;
    EXPECT_NE(run.err.find(r.says), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "") << r.path;
  }
  EXPECT_EQ(ConvertersOwnedBy(ProgramFolder()), 0);
}

TEST(ProbeCommandLine, MissingConverterIsNamed) {
  ASSERT_FALSE(plat::IsExecutableFile(ProgramFolder() + "/ffmpeg"));
  CliRun run = Probe(ts::VideoWithSound(1920, 1080, 5, 25), "PATH=/nonexistent");
  EXPECT_EQ(run.status, 3);
  EXPECT_EQ(Lines(run.err), 1) << run.err;
  EXPECT_NE(run.err.find("ffmpeg"), std::string::npos) << run.err;
  EXPECT_EQ(run.out, "");
}

TEST(ProbeInputProblem, NamesWhatIsWrongWithThePath) {
  std::string ok = ts::VideoWithoutSound(320, 180, 2, 25);
  EXPECT_EQ(probe::ProbeInputProblem(ok), "");
  EXPECT_NE(probe::ProbeInputProblem(""), "");
  EXPECT_NE(probe::ProbeInputProblem("/tmp/a\"b.mp4"), "");
  EXPECT_NE(probe::ProbeInputProblem("/tmp"), "");
}
