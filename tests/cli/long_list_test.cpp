// The window holds 1000 tasks at most, the command line runs lists of any length: task 1001
// of a 1001-task list is run with `--task 1001` and by a plain `run`, never skipped. A result
// folder deleted since the list was made is made again.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "store/task_list_file.h"
#include "support/media.h"

namespace ts = testing_support;
namespace fs = std::filesystem;

TEST(LongList, TaskPastTheWindowsLimitIsRun) {
  const std::string program = ts::ProgramCopy();
  const std::string videos = fs::path(program).parent_path().string() + "/videos", list = videos + "/L.json";
  ts::CopyInto(ts::VideoWithSound(320, 180, 1, 25), videos);
  const std::string clip = videos + "/" + fs::path(ts::VideoWithSound(320, 180, 1, 25)).filename().string();
  ASSERT_EQ(ts::Shell("'" + program + "' convert --save-list '" + list + "' '" + clip + "' 2>/dev/null"), 0);
  const app::LoadedTaskList one = app::LoadTaskList(list);
  ASSERT_EQ(one.rows.size(), 1u);
  // The first 1000 are done already: only the last one has anything to do.
  std::vector<app::TaskRow> rows(1001, one.rows[0]);
  for (size_t i = 0; i < 1000; ++i) rows[i].state = QStringLiteral("处理完毕");
  ASSERT_TRUE(app::SaveTaskList(list, rows).isEmpty());
  EXPECT_EQ(ts::Capture("'" + program + "' run '" + list + "' --count"), "1001\n");

  const std::string result = videos + "/result/" + fs::path(clip).stem().string();
  const struct {
    const char* args;
    bool deleteResults;
    const char* made;
  } runs[] = {{" --task 1001", false, "_1.mp4"}, {"", true, "_1.mp4"}};
  for (const auto& r : runs) {
    SCOPED_TRACE(std::string(r.args) + (r.deleteResults ? " without result/" : ""));
    if (r.deleteResults) fs::remove_all(videos + "/result");
    const std::string out =
        ts::Capture("'" + program + "' run '" + list + "'" + r.args + " 2>&1 >/dev/null; echo \"status $?\"");
    EXPECT_NE(out.find("1 个处理完毕，0 个失败"), std::string::npos) << out;
    EXPECT_NE(out.find("status 0\n"), std::string::npos) << out;
    EXPECT_TRUE(fs::exists(result + r.made));
    const app::LoadedTaskList after = app::LoadTaskList(list);
    ASSERT_EQ(after.rows.size(), 1001u);
    EXPECT_EQ(after.rows[1000].state.toStdString(), "处理完毕");
    // Run again from the start.
    rows[1000].state.clear();
    ASSERT_TRUE(app::SaveTaskList(list, rows).isEmpty());
  }
}
