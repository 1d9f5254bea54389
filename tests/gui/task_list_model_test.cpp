// The task list model: moves, clone and delete with renumbering, the selection following a
// moved task, the limit, and what the cells and tooltips show.
#include <gtest/gtest.h>

#include <QPersistentModelIndex>
#include <QStringList>

#include <string>
#include <vector>

#include "gui/task_list_model.h"

using app::TaskListModel;

namespace {

task::TaskRecord Clip(int k) {
  task::TaskRecord r;
  r.foregroundPath = task::Quote("/videos/clip" + std::to_string(k) + ".mp4");
  r.finalOutputPath = "/out/" + std::to_string(k);
  r.outputWidth = 1080;
  r.outputHeight = 1920;
  return r;
}

// Clips 1..n, each finished.
void Fill(TaskListModel& m, int n) {
  for (int k = 1; k <= n; ++k) {
    ASSERT_TRUE(m.append(Clip(k)));
    m.setState(k - 1, QStringLiteral("处理完毕"));
  }
}

QString Cell(const TaskListModel& m, int row, int column, int role = Qt::DisplayRole) {
  return m.data(m.index(row, column), role).toString();
}

}  // namespace

TEST(TaskListModel, ListOperationsReorderAndRenumber) {
  enum Op { kTop, kBottom, kDelete, kClone };
  struct Case {
    Op op;
    int row;
    std::vector<int> clips;  // top to bottom
    int movedTo;
  };
  const std::vector<Case> cases = {
      {kTop, 2, {3, 1, 2, 4, 5}, 0},    {kBottom, 2, {1, 2, 4, 5, 3}, 4},   {kTop, 4, {5, 1, 2, 3, 4}, 0},
      {kBottom, 0, {2, 3, 4, 5, 1}, 4}, {kTop, 0, {1, 2, 3, 4, 5}, 0},      {kBottom, 4, {1, 2, 3, 4, 5}, 4},
      {kDelete, 2, {1, 2, 4, 5}, -1},   {kClone, 2, {1, 2, 3, 3, 4, 5}, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "op " << c.op << " on row " << c.row);
    TaskListModel m;
    Fill(m, 5);
    int movedTo = -1;
    if (c.op == kTop) movedTo = m.moveToTop(c.row);
    if (c.op == kBottom) movedTo = m.moveToBottom(c.row);
    if (c.op == kDelete) m.removeTask(c.row);
    if (c.op == kClone) movedTo = m.insertCloneAfter(c.row) ? c.row + 1 : -2;
    EXPECT_EQ(movedTo, c.movedTo);
    ASSERT_EQ(m.rowCount(), int(c.clips.size()));
    for (int r = 0; r < m.rowCount(); ++r) {
      const std::string clip = std::to_string(c.clips[r]);
      EXPECT_EQ(Cell(m, r, TaskListModel::kId), QString::number(r + 1));
      EXPECT_EQ(Cell(m, r, TaskListModel::kForeground).toStdString(), "clip" + clip + ".mp4");
      // A moved task keeps its state and result; a clone starts without either.
      const bool clone = c.op == kClone && r == c.movedTo;
      EXPECT_EQ(m.finished(r), !clone) << r;
      EXPECT_EQ(m.task(r).finalOutputPath, clone ? "" : "/out/" + clip);
    }
  }
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

TEST(TaskListModel, LimitAndStates) {
  TaskListModel m;
  ASSERT_TRUE(m.appendRows(std::vector<app::TaskRow>(app::kMaxTasks - 1, app::TaskRow{Clip(1), {}, {}})));
  EXPECT_FALSE(m.appendRows({app::TaskRow{}, app::TaskRow{}}));  // all or nothing
  EXPECT_EQ(m.size(), app::kMaxTasks - 1);
  EXPECT_TRUE(m.insertCloneAfter(0));
  EXPECT_FALSE(m.insertCloneAfter(0));
  EXPECT_FALSE(m.append(Clip(2)));
  EXPECT_EQ(m.size(), app::kMaxTasks);

  // Finished is the exact state text; clearing it forgets the result too.
  m.setState(0, QStringLiteral("处理完毕 "));
  EXPECT_FALSE(m.finished(0));
  m.setState(0, QStringLiteral("处理完毕"));
  m.setSpeed(0, QStringLiteral("1.5"));
  EXPECT_TRUE(m.finished(0));
  m.clearState(0);
  EXPECT_FALSE(m.finished(0));
  EXPECT_EQ(m.task(0).finalOutputPath, "");
  EXPECT_EQ(m.data(m.index(0, TaskListModel::kSpeed)).toString(), "");  // the speed of that run
}

TEST(TaskListModel, CellsTitlesAndTooltips) {
  TaskListModel m;
  task::TaskRecord r = Clip(1);
  r.foregroundPath = task::Quote("/videos/sub dir/片段 一.mov");
  r.bitrate = "4500";
  r.outputFormat = ".mp4";
  ASSERT_TRUE(m.append(r));
  std::vector<QString> cells, titles;
  for (int c = 0; c < m.columnCount(); ++c) {
    cells.push_back(Cell(m, 0, c));
    titles.push_back(m.headerData(c, Qt::Horizontal).toString());
  }
  EXPECT_EQ(cells, (std::vector<QString>{"1", "片段 一.mov", "1080x1920", "4500", ".mp4", "", "", "模糊"}));
  EXPECT_EQ(titles,
            (std::vector<QString>{"ID", "前景文件", "宽高比", "码率", "格式", "速度x", "执行状态", "画面"}));

  const QString path = QStringLiteral("/videos/sub dir/片段 一.mov");
  const QString error = QStringLiteral("输出错误(Invalid data found when processing input)");
  const QString left = QStringLiteral("00:01:10");
  struct Case {
    QString state, timeLeft, cell, rowTooltip;  // timeLeft "": none set by this step
    bool paused = false;
  };
  // In order: a state is short enough for its cell and whole in the row's tooltip; a running
  // row shows the time left it was given; a row that stopped running forgets it, so it does
  // not come back on the next run.
  const QString running = QStringLiteral("45％");
  for (const Case& c : {Case{error, {}, "输出错误", error}, Case{running, {}, running, running},
                        Case{running, left, running, running + "\n" + left},
                        Case{running, {}, "已暂停", running + " 已暂停\n" + left, true},
                        Case{QStringLiteral("处理完毕"), {}, "处理完毕", {}},
                        Case{QStringLiteral("准备数据"), {}, "准备数据", "准备数据"}}) {
    SCOPED_TRACE(c.state.toStdString());
    m.setState(0, c.state);
    m.setPaused(c.paused);
    if (!c.timeLeft.isEmpty()) m.setTimeLeft(0, c.timeLeft);
    EXPECT_EQ(Cell(m, 0, TaskListModel::kState), c.cell);
    EXPECT_EQ(Cell(m, 0, TaskListModel::kState, Qt::ToolTipRole), c.rowTooltip);
    EXPECT_EQ(Cell(m, 0, TaskListModel::kSize, Qt::ToolTipRole), c.rowTooltip);
    EXPECT_EQ(Cell(m, 0, TaskListModel::kForeground, Qt::ToolTipRole), path);  // the path wins
  }
  m.setPaused(false);

  // 画面 in the row, with what else sets the task apart in its tooltip.
  r = m.task(0);
  const struct {
    task::CanvasLayout layout;
    bool fast;
    std::string preset;
    QString cell, notes, speed;
  } layouts[] = {
      {{task::LayoutKind::Blur}, true, "veryfast", "模糊·快", "\n快速背景\n编码速度：veryfast", "很快"},
      {{task::LayoutKind::Colour, "FF0000"}, true, "", "纯色", "\n画面：纯色背景 #FF0000", ""},
      {{task::LayoutKind::Crop, "000000", 35}, false, "ultrafast", "裁切35%",
       "\n画面：裁切铺满（位置 35%）\n编码速度：ultrafast", "极快"},
      {{task::LayoutKind::Follow}, false, "veryslow", "跟随", "\n画面：智能跟随\n编码速度：veryslow", "很慢"}};
  for (const auto& l : layouts) {
    r.layout = l.layout;
    r.fastBackground = l.fast;
    r.encoderPreset = l.preset;
    m.updateSettings(0, r);
    EXPECT_EQ(Cell(m, 0, TaskListModel::kLayout), l.cell);
    EXPECT_EQ(Cell(m, 0, TaskListModel::kLayout, Qt::ToolTipRole), path + l.notes);
    EXPECT_EQ(Cell(m, 0, TaskListModel::kSpeed), l.speed);  // until a run's speed stands there
  }
  m.setSpeed(0, QStringLiteral("2.5"));
  EXPECT_EQ(Cell(m, 0, TaskListModel::kSpeed), QStringLiteral("2.5"));
}

// The file cell's tooltip names what sets a task apart beyond its cells, below the path.
TEST(TaskListModel, FileTooltipListsTheTasksOwnSettings) {
  using task::LayoutKind;
  const struct {
    const char* name;
    LayoutKind kind;
    std::string colour;
    int cropPercent;
    bool fast;
    QStringList lines;  // below the path
  } cases[] = {
      {"defaults", LayoutKind::Blur, "000000", 50, false, {}},
      {"quick blur", LayoutKind::Blur, "000000", 50, true, {"快速背景"}},
      {"own colour", LayoutKind::Colour, "1A1A2E", 50, false, {"画面：纯色背景 #1A1A2E"}},
      {"crop, quick has no background to make",
       LayoutKind::Crop,
       "000000",
       30,
       true,
       {"画面：裁切铺满（位置 30%）"}},
  };
  TaskListModel m;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    task::TaskRecord r = Clip(1);
    r.layout = {c.kind, c.colour, c.cropPercent};
    r.fastBackground = c.fast;
    m.clearTasks();
    ASSERT_TRUE(m.append(r));
    EXPECT_EQ(Cell(m, 0, TaskListModel::kForeground, Qt::ToolTipRole),
              (QStringList{"/videos/clip1.mp4"} + c.lines).join('\n'));
  }
}
