// `flipframe convert --save-list`, `flipframe run` (alone and through GNU parallel) and the
// time left in progress lines, run as the installed program would be, on generated clips.
#include <gtest/gtest.h>

#include <string>

#include "platform/platform.h"
#include "store/task_list_file.h"
#include "support/media.h"

namespace ts = testing_support;

namespace {

const std::string kFlipframe = FLIPFRAME_BINARY;

// Three tiny clips copied into a folder of the test's own, so results land beside them.
std::string ClipsFolder() {
  const std::string folder =
      ts::TempFolder() + "/" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
  for (int k = 1; k <= 3; ++k) {
    const std::string clip = folder + "/c" + std::to_string(k) + ".mp4";
    ts::Shell("mkdir -p '" + folder + "' && cp '" + ts::VideoWithSound(320, 180, 2) + "' '" + clip + "'");
  }
  return folder;
}

std::string Bytes(const std::string& path) {
  std::string bytes;
  plat::ReadFile(path, &bytes);
  return bytes;
}

}  // namespace

TEST(RunCli, SaveListCreatesAppendsAndStoresTheFastBackground) {
  const std::string dir = ClipsFolder(), list = dir + "/L.json";
  ASSERT_EQ((ts::Shell(kFlipframe + " convert --save-list " + list + " --fast-background " + dir +
                       "/c1.mp4 " + dir + "/c2.mp4")),
            0);
  ASSERT_EQ((ts::Shell(kFlipframe + " convert --save-list " + list + " " + dir + "/c3.mp4 " + dir +
                       "/none.mp4 2>/dev/null")),
            1);  // c3 added, the missing file refused
  const app::LoadedTaskList loaded = app::LoadTaskList(list);
  ASSERT_TRUE(loaded.ok()) << loaded.error.toStdString();
  ASSERT_EQ(loaded.rows.size(), 3u);
  for (size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    const task::TaskRecord& r = loaded.rows[i].record;
    EXPECT_EQ(task::Unquote(r.foregroundPath), dir + "/c" + std::to_string(i + 1) + ".mp4");
    EXPECT_EQ(r.fastBackground, i < 2);
    EXPECT_FALSE(r.commandLine.empty());
    EXPECT_TRUE(loaded.rows[i].state.isEmpty());
  }
  // The fast graph (blurred at a quarter of the size) only where the switch was given.
  const std::string smallBlur = "scale=trunc(iw/4)*2:trunc(ih/4)*2";
  EXPECT_NE(loaded.rows[0].record.commandLine.find(smallBlur), std::string::npos);
  EXPECT_EQ(loaded.rows[2].record.commandLine.find(smallBlur), std::string::npos);
  EXPECT_EQ(ts::Capture(kFlipframe + " run " + list + " --count"), "3\n");
}

TEST(RunCli, ParallelTaskRunsThenRunDoesTheRestThenNothing) {
  const std::string dir = ClipsFolder(), list = dir + "/L.json";
  ASSERT_EQ((ts::Shell(kFlipframe + " convert --save-list " + list + " " + dir + "/c1.mp4 " + dir +
                       "/c2.mp4 " + dir + "/c3.mp4")),
            0);
  ASSERT_EQ((ts::Shell("parallel --will-cite -j2 --joblog " + dir + "/jobs.log " + kFlipframe + " run " +
                       list + " --task {} ::: 1 2 2>/dev/null")),
            0);
  app::LoadedTaskList after = app::LoadTaskList(list);
  ASSERT_EQ(after.rows.size(), 3u);
  EXPECT_EQ(after.rows[0].state.toStdString(), "处理完毕");  // both updates kept
  EXPECT_EQ(after.rows[1].state.toStdString(), "处理完毕");
  EXPECT_TRUE(after.rows[2].state.isEmpty());

  const std::string log = dir + "/run.log";
  ASSERT_EQ((ts::Shell(kFlipframe + " run " + list + " 2>" + log)), 0);
  const std::string ran = Bytes(log);
  EXPECT_NE(ran.find("3/3 " + dir + "/c3.mp4  处理完毕"), std::string::npos) << ran;
  EXPECT_EQ(ran.find("1/3"), std::string::npos) << ran;
  EXPECT_EQ(ran.find("2/3"), std::string::npos) << ran;
  after = app::LoadTaskList(list);
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(after.rows[i].state.toStdString(), "处理完毕") << i;
    EXPECT_EQ(after.rows[i].record.finalOutputPath, dir + "/result/c" + std::to_string(i + 1) + "_1.mp4");
    EXPECT_TRUE(plat::FileExists(after.rows[i].record.finalOutputPath)) << i;
  }

  // Nothing left: the list file is not rewritten and no output appears; a finished --task too.
  const std::string before = Bytes(list);
  EXPECT_EQ((ts::Shell(kFlipframe + " run " + list + " 2>/dev/null")), 0);
  EXPECT_EQ((ts::Shell(kFlipframe + " run " + list + " --task 2 2>/dev/null")), 0);
  EXPECT_EQ(Bytes(list), before);
  EXPECT_EQ(ts::Capture("ls '" + dir + "/result'"), "c1_1.mp4\nc2_1.mp4\nc3_1.mp4\n");
}

TEST(RunCli, RefusesBadListsAndUsageWithExitTwo) {
  const std::string dir = ts::TempFolder() + "/refusals";
  plat::MakeDirs(dir);
  ASSERT_TRUE(plat::WriteFileAtomically(dir + "/bad.json", "{\"format\""));
  ASSERT_TRUE(
      plat::WriteFileAtomically(dir + "/one.json", app::SerializeTaskList({app::TaskRow{}}).toStdString()));
  struct Case {
    std::string args, message;
  };
  const Case cases[] = {
      {dir + "/bad.json", "任务列表文件“" + dir + "/bad.json”已损坏"},
      {dir + "/none.json", "无法读取任务列表文件“" + dir + "/none.json”"},
      {dir + "/one.json --task 2", "there is no task 2"},
      {dir + "/one.json --task 0", "--task takes a task number"},
      {"", "no LIST.json given"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    const std::string err = dir + "/err.txt";
    EXPECT_EQ((ts::Shell(kFlipframe + " run " + c.args + " 2>" + err)), 2);
    EXPECT_NE(Bytes(err).find(c.message), std::string::npos) << Bytes(err);
  }
}

TEST(RunCli, ProgressLinesOffATerminalShowTheTimeLeft) {
  const std::string dir = ts::TempFolder() + "/eta";
  const std::string clip = ts::CopyInto(ts::VideoWithSound(1920, 1080, 5), dir);
  const std::string err = dir + "/err.txt";
  ASSERT_EQ((ts::Shell(kFlipframe + " convert " + clip + " 2>" + err)), 0) << Bytes(err);
  const std::string lines = Bytes(err);
  EXPECT_NE(lines.find("％  speed "), std::string::npos) << lines;
  EXPECT_NE(lines.find("  剩余 00:00:"), std::string::npos) << lines;
  EXPECT_EQ(lines.find('\r'), std::string::npos) << "no in-place rewriting off a terminal";
}
