// `flipframe convert` as a user runs it: the built program on media made at test time, the
// real converter, results checked with ffprobe.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "support/media.h"
#include "support/program_folder.h"

namespace ts = testing_support;
namespace fs = std::filesystem;

namespace {

struct CliRun {
  int status = -1;
  std::string out, err;
};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Runs `flipframe convert ARGS` (words already quoted for the shell).
CliRun Convert(const std::string& args) {
  static int n = 0;
  const std::string base = ts::TempFolder() + "/convert-run-" + std::to_string(++n);
  CliRun r;
  r.status = ts::Shell("'" + ts::OwnFlipframe() + "' convert " + args + " >'" + base + ".out' 2>'" + base +
                       ".err' </dev/null");
  r.out = ReadFile(base + ".out");
  r.err = ReadFile(base + ".err");
  return r;
}

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

std::string ResultOf(const std::string& clip, int counter = 1) {
  const fs::path p(clip);
  return (p.parent_path() / "result" /
          (p.stem().string() + "_" + std::to_string(counter) + p.extension().string()))
      .string();
}

std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  if (fs::exists(folder))
    for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
  return names;
}

}  // namespace

TEST(ConvertCommand, OneFileOfEachOrientationIsTurned) {
  const std::string folder = ts::TempFolder() + "/convert-turn";
  const std::string landscape = ts::CopyInto(ts::VideoWithSound(320, 180, 1), folder);
  const std::string portrait = ts::CopyInto(ts::VideoWithoutSound(180, 320, 1), folder + "/p");
  const struct {
    std::string clip;
    int width, height;
    bool sound;
  } rows[] = {
      {landscape, 320, 568, true},  // 9:16 suggested: 320 x 1.777778
      {portrait, 568, 320, false},  // 16:9 suggested
  };
  const CliRun run = Convert(Quoted(landscape) + " " + Quoted(portrait));
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "");  // standard output carries only --dry-run's commands
  for (const auto& r : rows) {
    const ts::ProbeFacts facts = ts::MediaFacts(ResultOf(r.clip));
    EXPECT_EQ(facts.width, r.width) << r.clip;
    EXPECT_EQ(facts.height, r.height) << r.clip;
    EXPECT_EQ(facts.hasAudio, r.sound) << r.clip;
    EXPECT_NE(run.err.find(r.clip + "  处理完毕\n"), std::string::npos) << run.err;
  }
}

TEST(ConvertCommand, ARefusedFileIsReportedAndTheOthersStillRunOneOrTwoAtOnce) {
  for (const std::string jobs : {"", "--jobs 2 "}) {
    SCOPED_TRACE(jobs);
    const std::string folder = ts::TempFolder() + "/convert-refused" + std::to_string(jobs.size());
    const std::string still = ts::CopyInto(ts::StillPng(320, 240), folder);
    const std::string good = ts::CopyInto(ts::VideoWithoutSound(192, 108, 1), folder);
    const std::string other = folder + "/other.mp4";
    fs::copy_file(good, other);
    const std::string empty = folder + "/empty.mp4";
    std::ofstream(empty).close();
    const CliRun run =
        Convert(jobs + Quoted(still) + " " + Quoted(good) + " " + Quoted(empty) + " " + Quoted(other));
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_NE(run.err.find(still + ": 必须为有效视频文件\n"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(empty + ": 该文件为空文件或被占用，无法读取。\n"), std::string::npos) << run.err;
    for (const std::string& clip : {good, other}) {
      EXPECT_TRUE(fs::exists(ResultOf(clip))) << run.err;
      EXPECT_NE(run.err.find(clip + "  处理完毕\n"), std::string::npos) << run.err;
    }
    EXPECT_EQ(FilesIn(folder + "/result").size(), 2u);  // each once
  }
}

TEST(ConvertCommand, ValidationRefusesWithTheWindowsMessage) {
  const std::string clip =
      ts::CopyInto(ts::VideoWithoutSound(320, 180, 2), ts::TempFolder() + "/convert-refusals");
  const struct {
    std::string args;
    const char* says;
  } rows[] = {
      {"--ratio 16:9 --height 180", "当前设置的输出宽高与前景视频宽高相同，请修改后继续。"},
      {"--duration 1:02:03", "视频时长格式有误，需要按照01:02:03格式书写。"},
      {"--bitrate 50", "请勿使用过低的码率"},
      {"--width 50", "视频宽高填写有误，不支持小于96:96的媒体文件，请检查更换。"},
      {"--ratio 16:9 --copies 3", "最多只能并排 1 个前景视频"},
  };
  for (const auto& r : rows) {
    const CliRun run = Convert(r.args + " --dry-run " + Quoted(clip));
    EXPECT_EQ(run.status, 1) << r.args << ": " << run.err;
    EXPECT_NE(run.err.find(r.says), std::string::npos) << r.args << ": " << run.err;
    EXPECT_EQ(run.out, "") << r.args;
  }
}

TEST(ConvertCommand, UsageErrorsEndWithStatusTwoAndTouchNothing) {
  const std::string clip =
      ts::CopyInto(ts::VideoWithoutSound(320, 180, 1), ts::TempFolder() + "/convert-usage");
  for (const std::string args : std::vector<std::string>{
           "", "--frobnicate " + Quoted(clip), "--ratio 5:4 " + Quoted(clip), "--blur 11 " + Quoted(clip),
           "--width 400 --height 300 " + Quoted(clip), "--sound fg,voice " + Quoted(clip), "--ratio",
           "--mute --sound fg " + Quoted(clip)}) {
    const CliRun run = Convert(args);
    EXPECT_EQ(run.status, 2) << args;
    EXPECT_NE(run.err.find("flipframe convert: "), std::string::npos) << args << ": " << run.err;
    EXPECT_EQ(run.out, "") << args;
  }
  EXPECT_FALSE(fs::exists(ts::TempFolder() + "/convert-usage/result"));
  const CliRun help = Convert("--help");
  EXPECT_EQ(help.status, 0);
  for (const char* option :
       {"--ratio", "--copies", "--blend", "--opacity", "--sound", "--effects", "--dry-run"})
    EXPECT_NE(help.out.find(option), std::string::npos) << option;
  // Every option's text, --help's too, starts in one column, in both commands' help.
  for (const std::string command : {"convert", "run"}) {
    std::istringstream lines(ts::Capture("'" + ts::OwnFlipframe() + "' " + command + " --help"));
    std::set<size_t> columns;
    for (std::string line; std::getline(lines, line);)
      if (line.rfind("  --", 0) == 0) columns.insert(line.find_first_not_of(' ', line.find("  ", 2)));
    EXPECT_EQ(columns.size(), 1u) << command;
  }
}

TEST(ConvertCommand, InterruptStopsOurConverterAndLeavesNoTemporaryFile) {
  const std::string folder = ts::TempFolder() + "/convert-interrupt";
  // Long enough that the conversion is still running when the signal comes.
  const std::string clip = ts::CopyInto(ts::VideoWithSound(320, 180, 60, 25), folder);
  const std::string errFile = folder + "/err.txt";
  const std::string& flipframe = ts::OwnFlipframe();
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    freopen(errFile.c_str(), "w", stderr);
    freopen("/dev/null", "w", stdout);
    execl(flipframe.c_str(), flipframe.c_str(), "convert", "--denoise", clip.c_str(), (char*)nullptr);
    _exit(127);
  }
  // Wait for the first percentage: the converter is then writing the temporary file.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (ReadFile(errFile).find("％") == std::string::npos && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  ASSERT_NE(ReadFile(errFile).find("％"), std::string::npos) << ReadFile(errFile);
  const std::string& programFolder = ts::OwnProgramFolder();
  EXPECT_EQ(ts::ConvertersOwnedBy(programFolder), 1);
  // A second run from the same program folder makes (and tries) a task meanwhile: its trial
  // must leave the first run's converter alone.
  const CliRun beside =
      Convert("--dry-run " + Quoted(ts::CopyInto(ts::VideoWithSound(320, 180, 2), folder + "/b")));
  EXPECT_EQ(beside.status, 0) << beside.err;
  EXPECT_EQ(ts::ConvertersOwnedBy(programFolder), 1);
  kill(pid, SIGINT);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 130) << ReadFile(errFile);
  EXPECT_EQ(ts::ConvertersOwnedBy(programFolder), 0);
  EXPECT_EQ(FilesIn(folder + "/result"), std::vector<std::string>{}) << ReadFile(errFile);
  EXPECT_NE(ReadFile(errFile).find("手动停止"), std::string::npos);
}
