// A task's encoder preset in a list file: kept, absent when there is none, and a name x264
// does not know (a list is anyone's data) refuses the whole list; a loaded task runs with it.
#include <gtest/gtest.h>

#include <QByteArray>

#include "pipeline/stored_task.h"
#include "store/task_list_file.h"
#include "support/task_helpers.h"

namespace ts = testing_support;

TEST(TaskListPreset, KeptAbsentWhenNoneAndUnknownNamesRefused) {
  task::TaskRecord plain = ts::ListedTask(1), fast = ts::ListedTask(2);
  fast.encoderPreset = "superfast";
  const QByteArray json = app::SerializeTaskList({app::TaskRow{plain, {}, {}}, app::TaskRow{fast, {}, {}}});
  EXPECT_EQ(json.count("\"encoderPreset\""), 1);
  const app::LoadedTaskList back = app::ParseTaskList(json, "l.json");
  ASSERT_TRUE(back.ok()) << back.error.toStdString();
  EXPECT_EQ(back.rows[0].record.encoderPreset, "");
  EXPECT_EQ(back.rows[1].record.encoderPreset, "superfast");
  // What runs for the loaded task is rebuilt from its fields, preset included.
  const task::BuildEnvironment env{{}, [](const std::string&) { return false; }, nullptr};
  const std::vector<std::string> words = pipeline::RunWords(back.rows[1].record, env);
  ASSERT_GE(words.size(), 4u);
  EXPECT_EQ(std::vector<std::string>(words.end() - 4, words.end() - 2),
            (std::vector<std::string>{"-preset", "superfast"}));

  for (const char* bad : {"\"encoderPreset\": \"placebo\"", "\"encoderPreset\": 3"}) {
    SCOPED_TRACE(bad);
    QByteArray edited = json;
    edited.replace("\"encoderPreset\": \"superfast\"", bad);
    const app::LoadedTaskList refused = app::ParseTaskList(edited, "bad.json");
    EXPECT_FALSE(refused.ok());
    EXPECT_TRUE(refused.error.contains("第2个任务")) << refused.error.toStdString();
  }
}
