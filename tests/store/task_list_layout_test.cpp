// Task lists keep each task's layout; lists written before layouts existed read as the blurred
// background, and a layout text the program does not know is refused by name.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "store/task_list_file.h"
#include "support/task_helpers.h"

namespace ts = testing_support;

TEST(TaskListLayout, EveryLayoutSurvivesARoundTrip) {
  std::vector<app::TaskRow> rows;
  for (const char* text : {"blur", "colour:12AB34", "crop:7", "follow"}) {
    task::TaskRecord r = ts::ListedTask(int(rows.size()) + 1);
    r.layout = *task::ParseLayout(text);
    r.foregroundWidth = 1920, r.foregroundHeight = 1080;  // follow needs the picture's size
    rows.push_back(app::TaskRow{r, {}, {}});
  }
  const app::LoadedTaskList back = app::ParseTaskList(app::SerializeTaskList(rows), "l.json");
  ASSERT_TRUE(back.ok()) << back.error.toStdString();
  ASSERT_EQ(back.rows.size(), rows.size());
  for (size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(back.rows[i].record.layout, rows[i].record.layout) << i;
}

TEST(TaskListLayout, OldListsReadAsBlurAndUnknownLayoutsAreRefused) {
  task::TaskRecord r = ts::ListedTask(1);
  r.layout = *task::ParseLayout("follow");
  const QByteArray json = app::SerializeTaskList({app::TaskRow{r, {}, {}}});
  const QByteArray field = "\"layout\": \"follow\"";
  ASSERT_TRUE(json.contains(field));

  // The same list as a program without layouts wrote it.
  QJsonObject root = QJsonDocument::fromJson(json).object();
  QJsonArray tasks = root.value("tasks").toArray();
  QJsonObject task = tasks[0].toObject();
  task.remove("layout");
  tasks[0] = task;
  root.insert("tasks", tasks);
  const QByteArray old = QJsonDocument(root).toJson();
  const app::LoadedTaskList blur = app::ParseTaskList(old, "old.json");
  ASSERT_TRUE(blur.ok()) << blur.error.toStdString() << "\n" << old.toStdString();
  EXPECT_EQ(blur.rows[0].record.layout.kind, task::LayoutKind::Blur);

  QByteArray bad = json;
  bad.replace(field, "\"layout\": \"zoom\"");
  const app::LoadedTaskList refused = app::ParseTaskList(bad, "bad.json");
  EXPECT_FALSE(refused.ok());
  EXPECT_TRUE(refused.error.contains("layout"));
}
