// The task list model: moves, clone, delete and renumbering as the list menu uses them, the
// selection following a moved task, the limit, row states and tooltips.
#include <gtest/gtest.h>

#include <QPersistentModelIndex>

#include <functional>
#include <string>
#include <vector>

#include "app/task_list_model.h"

using app::TaskListModel;

namespace {

task::TaskRecord Clip(int k) {
  task::TaskRecord r;
  r.foregroundPath = task::Quote("/videos/clip" + std::to_string(k) + ".mp4");
  r.finalOutputPath = "/out/clip" + std::to_string(k) + ".mp4";
  r.outputWidth = 1080;
  r.outputHeight = 1920;
  return r;
}

// A list of clips 1..n, each finished with its speed shown.
void Fill(TaskListModel& m, int n) {
  for (int k = 1; k <= n; ++k) {
    ASSERT_TRUE(m.append(Clip(k)));
    m.setSpeed(k - 1, QStringLiteral("2.5"));
    m.setState(k - 1, QStringLiteral("处理完毕"));
  }
}

QString Cell(const TaskListModel& m, int row, int column, int role = Qt::DisplayRole) {
  return m.data(m.index(row, column), role).toString();
}

// Clip numbers top to bottom, read from the file column; and the ID column.
std::vector<int> Clips(const TaskListModel& m) {
  std::vector<int> clips;
  for (int r = 0; r < m.rowCount(); ++r)
    clips.push_back(Cell(m, r, TaskListModel::kForeground).mid(4, 1).toInt());
  return clips;
}

std::vector<QString> Ids(const TaskListModel& m) {
  std::vector<QString> ids;
  for (int r = 0; r < m.rowCount(); ++r) ids.push_back(Cell(m, r, TaskListModel::kId));
  return ids;
}

std::vector<QString> Numbers(int n) {
  std::vector<QString> ids;
  for (int k = 1; k <= n; ++k) ids.push_back(QString::number(k));
  return ids;
}

}  // namespace

TEST(TaskListModel, ListOperationsReorderAndRenumber) {
  struct Case {
    const char* name;
    std::function<int(TaskListModel&)> operation;  // gives the row the moved task is in
    std::vector<int> clips;
    int movedTo;
    int freshRow = -1;  // a clone, which starts without a result
  };
  const std::vector<Case> cases = {
      {"third to top", [](TaskListModel& m) { return m.moveToTop(2); }, {3, 1, 2, 4, 5}, 0},
      {"third to bottom", [](TaskListModel& m) { return m.moveToBottom(2); }, {1, 2, 4, 5, 3}, 4},
      {"last to top", [](TaskListModel& m) { return m.moveToTop(4); }, {5, 1, 2, 3, 4}, 0},
      {"first to bottom", [](TaskListModel& m) { return m.moveToBottom(0); }, {2, 3, 4, 5, 1}, 4},
      {"top to top", [](TaskListModel& m) { return m.moveToTop(0); }, {1, 2, 3, 4, 5}, 0},
      {"bottom to bottom", [](TaskListModel& m) { return m.moveToBottom(4); }, {1, 2, 3, 4, 5}, 4},
      {"delete third",
       [](TaskListModel& m) {
         m.removeTask(2);
         return -1;
       },
       {1, 2, 4, 5},
       -1},
      {"clone third",
       [](TaskListModel& m) {
         EXPECT_TRUE(m.insertCloneAfter(2));
         return 3;
       },
       {1, 2, 3, 3, 4, 5},
       3,
       3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TaskListModel m;
    Fill(m, 5);
    EXPECT_EQ(c.operation(m), c.movedTo);
    EXPECT_EQ(Clips(m), c.clips);
    EXPECT_EQ(Ids(m), Numbers(m.rowCount()));
    // A move keeps the task whole: its state and final output path travel with it.
    for (int r = 0; r < m.rowCount(); ++r) {
      if (r == c.freshRow) continue;
      EXPECT_TRUE(m.finished(r)) << r;
      EXPECT_EQ(m.task(r).finalOutputPath, "/out/clip" + std::to_string(c.clips[r]) + ".mp4");
    }
  }
}

TEST(TaskListModel, CloneIsAFreshCopyOfTheTaskAfterIt) {
  TaskListModel m;
  Fill(m, 3);
  ASSERT_TRUE(m.insertCloneAfter(1));
  task::TaskRecord expected = Clip(2);
  expected.finalOutputPath.clear();
  EXPECT_EQ(m.task(2), expected);
  EXPECT_EQ(m.speed(2), QString());
  EXPECT_EQ(m.state(2), QString());
  EXPECT_FALSE(m.finished(2));
  EXPECT_EQ(m.task(1), Clip(2));  // the original keeps its result
  EXPECT_TRUE(m.finished(1));
}

TEST(TaskListModel, SelectionFollowsTheMovedTask) {
  TaskListModel m;
  Fill(m, 5);
  QPersistentModelIndex third(m.index(2, TaskListModel::kId));
  QPersistentModelIndex fifth(m.index(4, TaskListModel::kState));
  m.moveToTop(2);
  EXPECT_EQ(third.row(), 0);
  EXPECT_EQ(third.data().toString(), QStringLiteral("1"));
  EXPECT_EQ(fifth.row(), 4);
  m.moveToBottom(0);
  EXPECT_EQ(third.row(), 4);
  EXPECT_EQ(fifth.row(), 3);
  m.insertCloneAfter(0);
  EXPECT_EQ(third.row(), 5);
  EXPECT_EQ(third.data().toString(), QStringLiteral("6"));
  m.removeTask(5);
  EXPECT_FALSE(third.isValid());
  EXPECT_EQ(fifth.row(), 4);
}

TEST(TaskListModel, TaskLimitHoldsForEveryWayOfAdding) {
  TaskListModel m;
  std::vector<app::TaskRow> many(app::kMaxTasks - 1, app::TaskRow{Clip(1), {}, {}});
  ASSERT_TRUE(m.appendRows(many));
  EXPECT_FALSE(m.appendRows({app::TaskRow{Clip(2), {}, {}}, app::TaskRow{Clip(3), {}, {}}}));
  EXPECT_EQ(m.size(), app::kMaxTasks - 1);  // nothing half added
  EXPECT_TRUE(m.insertCloneAfter(0));
  EXPECT_TRUE(m.full());
  EXPECT_FALSE(m.insertCloneAfter(0));
  EXPECT_FALSE(m.append(Clip(2)));
  EXPECT_EQ(m.size(), app::kMaxTasks);
}

TEST(TaskListModel, ClearingAndSavingMakeTasksRunAgain) {
  TaskListModel m;
  Fill(m, 3);
  m.clearState(1);
  EXPECT_EQ(m.state(1), QString());
  EXPECT_EQ(m.task(1).finalOutputPath, "");
  EXPECT_FALSE(m.finished(1));
  EXPECT_TRUE(m.finished(0));

  task::TaskRecord changed = Clip(7);
  m.replaceTask(0, changed);
  changed.finalOutputPath.clear();
  EXPECT_EQ(m.task(0), changed);
  EXPECT_EQ(m.speed(0), QString());
  EXPECT_FALSE(m.finished(0));

  m.clearAllStates();
  for (int r = 0; r < 3; ++r) {
    EXPECT_FALSE(m.finished(r));
    EXPECT_EQ(m.task(r).finalOutputPath, "");
  }
  // Only the exact state counts as finished, not a text that merely looks like it.
  m.setState(2, QStringLiteral("处理完毕 "));
  EXPECT_FALSE(m.finished(2));
}

TEST(TaskListModel, CellsTitlesAndTooltips) {
  TaskListModel m;
  task::TaskRecord r = Clip(1);
  r.foregroundPath = task::Quote("/videos/sub dir/片段 一.mov");
  r.bitrate = "4500";
  r.outputFormat = ".mp4";
  ASSERT_TRUE(m.append(r));
  EXPECT_EQ(Cell(m, 0, TaskListModel::kForeground), QStringLiteral("片段 一.mov"));
  EXPECT_EQ(Cell(m, 0, TaskListModel::kForeground, Qt::ToolTipRole),
            QStringLiteral("/videos/sub dir/片段 一.mov"));
  EXPECT_EQ(Cell(m, 0, TaskListModel::kSize), QStringLiteral("1080x1920"));
  EXPECT_EQ(Cell(m, 0, TaskListModel::kBitrate), QStringLiteral("4500"));
  EXPECT_EQ(Cell(m, 0, TaskListModel::kFormat), QStringLiteral(".mp4"));

  struct Case {
    QString state, tooltip;
  };
  const QString error = QStringLiteral("输出错误(Invalid data found when processing input)");
  for (const Case& c : {Case{error, error}, Case{QStringLiteral("45％"), QString()},
                        Case{QStringLiteral("处理完毕"), QString()}}) {
    m.setState(0, c.state);
    EXPECT_EQ(Cell(m, 0, TaskListModel::kState), c.state);
    EXPECT_EQ(Cell(m, 0, TaskListModel::kState, Qt::ToolTipRole), c.tooltip) << c.state.toStdString();
    EXPECT_EQ(Cell(m, 0, TaskListModel::kSize, Qt::ToolTipRole), c.tooltip);  // anywhere on the row
  }
  // ...but the file column keeps the path as its tooltip.
  m.setState(0, error);
  EXPECT_EQ(Cell(m, 0, TaskListModel::kForeground, Qt::ToolTipRole),
            QStringLiteral("/videos/sub dir/片段 一.mov"));

  std::vector<QString> titles;
  for (int c = 0; c < m.columnCount(); ++c) titles.push_back(m.headerData(c, Qt::Horizontal).toString());
  EXPECT_EQ(titles, (std::vector<QString>{"ID", "前景文件", "宽高比", "码率", "格式", "速度x", "执行状态"}));
}
