// The task list: pop-up menu rules, moves, delete, clear and the clicked row. Tasks are
// stored directly into the window as an add leaves them (rows and records in step), so that
// these list operations are checked without running the converter.
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include <string>
#include <vector>

#include "support/task_helpers.h"
#include "support/window_fixture.h"

namespace ts = testing_support;

namespace {

// What the list shows, top to bottom: the clip numbers of column 1 and of the records, and
// the numbers of column 0.
struct ListView {
  std::vector<int> rowClips, taskClips;
  std::vector<QString> ids;
};

int ClipNumber(const QString& path) {
  const QString name = path.section('/', -1);  // clipK.mp4
  return name.mid(4, name.indexOf('.') - 4).toInt();
}

std::vector<QString> Ids(int n) {
  std::vector<QString> ids;
  for (int k = 1; k <= n; ++k) ids.push_back(QString::number(k));
  return ids;
}

}  // namespace

class TaskListTest : public WindowTest {
 protected:
  QTableView* list() { return Find<QTableView>("列表框"); }
  QString Cell(int row, int column) {
    return Tasks().taskList->data(Tasks().taskList->index(row, column)).toString();
  }

  // A list of n finished tasks in place of whatever was there.
  void ListOf(int n) {
    Tasks().taskList->clearTasks();
    ts::StoreListedTasks(*window, n);
  }

  ListView View() {
    ListView v;
    for (int row = 0; row < Tasks().taskList->size(); ++row) {
      v.rowClips.push_back(ClipNumber(Cell(row, 1)));
      v.ids.push_back(Cell(row, 0));
    }
    for (const app::TaskRow& t : Tasks().taskList->rows())
      v.taskClips.push_back(ClipNumber(QString::fromStdString(task::Unquote(t.record.foregroundPath))));
    return v;
  }

  // What a right click on `row` (-1: empty space) does before the menu opens.
  bool RightClick(int row) {
    if (row < 0)
      list()->clearSelection();
    else
      list()->selectRow(row);
    return Tasks().PrepareTaskMenu();
  }

  // Visibility of the menu entries in menu order, '1' shown, '0' hidden.
  std::string MenuPattern() {
    std::string s;
    for (QAction* a : Find<QMenu>("菜单")->actions()) s += a->isVisible() ? '1' : '0';
    return s;
  }
};

TEST_F(TaskListTest, MovingTheThirdOfFiveRowsKeepsRowsAndRecordsInStep) {
  const struct {
    const char* name;
    void (TaskListController::*move)();
    std::vector<int> order;
    int selected;
  } cases[] = {
      {"to the top", &TaskListController::MoveTaskToTop, {3, 1, 2, 4, 5}, 0},
      {"to the bottom", &TaskListController::MoveTaskToBottom, {1, 2, 4, 5, 3}, 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ListOf(5);
    Tasks().taskList->setState(2, QStringLiteral("输出错误(x)"));
    ASSERT_TRUE(RightClick(2));
    (Tasks().*c.move)();

    const ListView v = View();
    EXPECT_EQ(v.rowClips, c.order);
    EXPECT_EQ(v.taskClips, c.order);
    EXPECT_EQ(v.ids, Ids(5));
    EXPECT_EQ(Tasks().SelectedRow(), c.selected);
    // The moved task keeps its cells and its record unchanged.
    EXPECT_EQ(Cell(c.selected, 2), QStringLiteral("1080x1920"));
    EXPECT_EQ(Cell(c.selected, 3), QStringLiteral("1003"));
    EXPECT_EQ(Cell(c.selected, 5), QStringLiteral("1.3"));
    EXPECT_EQ(Tasks().taskList->state(c.selected), QStringLiteral("输出错误(x)"));
    EXPECT_EQ(Tasks().taskList->task(c.selected).commandLine, "command 3");
    EXPECT_EQ(Tasks().taskList->task(c.selected).finalOutputPath, ts::ListedTask(3).finalOutputPath);
  }
}

TEST_F(TaskListTest, MenuShowsOnlyWhatFitsTheRightClickedRow) {
  // Cases run in order on one window, so an entry hidden by one case must come back.
  const struct {
    const char* name;
    int rows, row;
    // 清除执行状态 清除全部状态 - 新建 克隆 修改 删除 清空 - 顶部 底部 查看日志 - 批量添加 载入 保存 恢复
    // 同时执行
    const char* pattern;
  } cases[] = {
      {"empty list", 0, -1, "00010000000000111011"},
      {"empty space of a list of three", 3, -1, "01110001000000111111"},
      {"first row", 3, 0, "11111111101110111111"},
      {"last row", 3, 2, "11111111110110111111"},
      {"only row", 1, 0, "11111111000110111111"},
      {"middle row afterwards", 3, 1, "11111111111110111111"},
      {"empty space again", 3, -1, "01110001000000111111"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ListOf(c.rows);
    EXPECT_TRUE(RightClick(c.row));
    EXPECT_EQ(MenuPattern(), c.pattern);
  }
}

TEST_F(TaskListTest, NoMenuWhileABatchATrialOrAProbeRuns) {
  ListOf(3);
  using Flags = pipeline::BatchRunner::Flags;
  // A batch's task, a batch between two tasks, a trial.
  for (const Flags flags :
       {Flags{.active = true, .converting = true}, Flags{.active = true}, Flags{.trial = true}}) {
    Batch().runner->ForceFlagsForTest(flags);
    EXPECT_FALSE(RightClick(1));
  }
  Batch().runner->ForceFlagsForTest({});
  for (bool* flag : {&Editor().probeBusy, &Tasks().addingVideos}) {
    *flag = true;
    EXPECT_FALSE(RightClick(1));
    *flag = false;
  }
  EXPECT_TRUE(RightClick(1));
}

TEST_F(TaskListTest, DeletingTheOnlyTaskOrClearingAllEmptiesTheListAndAsksForNoFile) {
  const struct {
    const char* name;
    int rows, row;
    void (TaskListController::*action)();
  } cases[] = {
      {"delete the only task", 1, 0, &TaskListController::DeleteTask},
      {"clear all of three", 3, -1, &TaskListController::ClearAllTasks},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ListOf(c.rows);
    dialogs.fileRequests.clear();
    ASSERT_TRUE(RightClick(c.row));
    (Tasks().*c.action)();
    EXPECT_EQ(Tasks().taskList->size(), 0);
    EXPECT_TRUE(Tasks().taskList->rows().empty());
    EXPECT_EQ(Find<QLabel>("处理进度")->text(), QStringLiteral("0/0"));
    EXPECT_TRUE(dialogs.fileRequests.empty());
    EXPECT_EQ(Find<QPushButton>("保存任务")->text(), QStringLiteral("添加任务"));
  }
}

// The next row is highlighted and loaded, as file managers go on after a delete.
TEST_F(TaskListTest, DeletingOneOfThreeRenumbersAndLoadsTheNext) {
  ListOf(3);
  list()->selectRow(0);
  Tasks().LoadClickedTask();  // task 1 shown for modification
  ASSERT_EQ(Find<QPushButton>("保存任务")->text(), QStringLiteral("保存任务"));

  ASSERT_TRUE(RightClick(1));
  Tasks().DeleteTask();
  const ListView v = View();
  EXPECT_EQ(v.rowClips, (std::vector<int>{1, 3}));
  EXPECT_EQ(v.taskClips, (std::vector<int>{1, 3}));
  EXPECT_EQ(v.ids, Ids(2));
  EXPECT_EQ(Find<QLabel>("处理进度")->text(), QStringLiteral("2/2"));  // the finished ones of all
  EXPECT_TRUE(dialogs.fileRequests.empty());
  EXPECT_EQ(Tasks().SelectedRow(), 1);
  EXPECT_EQ(Tasks().CurrentRow(), 2);
  EXPECT_EQ(Find<QPushButton>("保存任务")->text(), QStringLiteral("保存任务"));
}

TEST_F(TaskListTest, ClearingStatesMakesTasksRunAgain) {
  ListOf(3);
  ASSERT_TRUE(RightClick(1));
  Tasks().ClearTaskState();
  for (int row = 0; row < 3; ++row) {
    EXPECT_EQ(Cell(row, 6), row == 1 ? QString() : QStringLiteral("处理完毕"));
    EXPECT_EQ(Tasks().taskList->task(row).finalOutputPath.empty(), row == 1);
  }

  ASSERT_TRUE(RightClick(-1));
  Tasks().ClearAllStates();
  for (int row = 0; row < 3; ++row) {
    EXPECT_TRUE(Cell(row, 6).isEmpty());
    EXPECT_TRUE(Tasks().taskList->task(row).finalOutputPath.empty());
    EXPECT_TRUE(Cell(row, 5).isEmpty()) << "a speed belongs to the run that is forgotten";
  }
}

TEST_F(TaskListTest, ClickingARowLoadsItUnlessATrialRuns) {
  ListOf(3);
  window->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  const QPoint middleRow = list()->visualRect(Tasks().taskList->index(1, 1)).center();

  Batch().runner->ForceFlagsForTest({.trial = true});
  QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, middleRow);
  EXPECT_EQ(Tasks().CurrentRow(), 0);
  EXPECT_EQ(Find<QPushButton>("保存任务")->text(), QStringLiteral("添加任务"));

  Batch().runner->ForceFlagsForTest({});
  QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, middleRow);
  EXPECT_EQ(Tasks().CurrentRow(), 2);
  EXPECT_EQ(Find<QPushButton>("保存任务")->text(), QStringLiteral("保存任务"));
  EXPECT_TRUE(gui::OwnEnabled(Find<QFrame>("操作框")));
  EXPECT_EQ(Find<QLabel>("前景框")->text(), ts::VanishedText(task::Quote(ts::ListedClip(2))));
}

// The task shown for modification is the one a save overwrites; moves and clones of other
// rows must not make the current row point at a different task.
TEST_F(TaskListTest, TaskUnderModificationIsFollowedThroughMovesAndClones) {
  ListOf(5);
  list()->selectRow(0);
  Tasks().LoadClickedTask();  // clip 1
  const struct {
    int row;
    void (TaskListController::*action)();
    int currentRow;
  } steps[] = {
      {2, &TaskListController::MoveTaskToTop, 2},     // 3 1 2 4 5
      {1, &TaskListController::MoveTaskToBottom, 5},  // 3 2 4 5 1
      {0, &TaskListController::CloneTask, 6},         // 3 3 2 4 5 1
      {3, &TaskListController::ClearTaskState, 6},    // a right click alone does not retarget the save
  };
  for (const auto& s : steps) {
    ASSERT_TRUE(RightClick(s.row));
    (Tasks().*s.action)();
    ASSERT_EQ(Tasks().CurrentRow(), s.currentRow);
    EXPECT_EQ(Tasks().taskList->task(Tasks().CurrentRow() - 1).foregroundPath,
              task::Quote(ts::ListedClip(1)));
  }
}
