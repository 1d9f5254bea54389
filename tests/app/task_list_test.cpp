// The task list: pop-up menu rules, moves, delete, clear, new task and the clicked row.
// Tasks are stored directly into the window as an add leaves them (rows and records in
// step), so that these list operations are checked without running the converter.
#include <QAction>
#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include <string>
#include <vector>

#include "support/window_fixture.h"
#include "task/task_record.h"

namespace {

std::string ClipPath(int k) { return "/nonexistent/flipframe/clip" + std::to_string(k) + ".mp4"; }

// What the list shows, top to bottom, as the clip numbers of column 1 and of the records.
struct ListView {
  std::vector<int> rowClips, taskClips;
  std::vector<QString> ids;
};

int ClipNumber(const QString& path) {
  const QString name = path.section('/', -1);  // clipK.mp4
  return name.mid(4, name.indexOf('.') - 4).toInt();
}

}  // namespace

class TaskListTest : public WindowTest {
 protected:
  QTableWidget* list() { return window->列表框; }

  // n stored tasks, task k with foreground clipK, finished state and a final output.
  void StoreTasks(int n) {
    for (int k = 1; k <= n; ++k) {
      task::TaskRecord r;
      r.foregroundPath = task::Quote(ClipPath(k));
      r.backgroundPath = r.foregroundPath;
      r.outputWidth = 1080;
      r.outputHeight = 1920;
      r.bitrate = std::to_string(1000 + k);
      r.outputFormat = ".mp4";
      r.commandLine = "-i " + r.foregroundPath + " command " + std::to_string(k);
      r.finalOutputPath = "/nonexistent/flipframe/result/clip" + std::to_string(k) + "_1.mp4";
      const int row = list()->rowCount();
      list()->insertRow(row);
      window->tasks.push_back(r);
      window->WriteRowCells(row, r);
      window->RenumberRows(row);
      list()->item(row, 5)->setText(QStringLiteral("1.%1").arg(k));
      list()->item(row, 6)->setText(QStringLiteral("处理完毕"));
    }
  }

  ListView View() {
    ListView v;
    for (int row = 0; row < list()->rowCount(); ++row) {
      v.rowClips.push_back(ClipNumber(list()->item(row, 1)->text()));
      v.ids.push_back(list()->item(row, 0)->text());
    }
    for (const auto& t : window->tasks)
      v.taskClips.push_back(ClipNumber(QString::fromStdString(task::Unquote(t.foregroundPath))));
    return v;
  }

  std::vector<QString> Ids(int n) {
    std::vector<QString> ids;
    for (int k = 1; k <= n; ++k) ids.push_back(QString::number(k));
    return ids;
  }

  // What a right click on `row` (-1: empty space) does before the menu opens.
  bool RightClick(int row) {
    if (row < 0) list()->clearSelection();
    else list()->selectRow(row);
    return window->PrepareTaskMenu();
  }

  // Visibility of the eleven menu entries in menu order, '1' shown, '0' hidden.
  std::string MenuPattern() {
    std::string s;
    for (QAction* a : window->菜单->actions()) s += a->isVisible() ? '1' : '0';
    return s;
  }
};

TEST_F(TaskListTest, MovingTheThirdOfFiveRowsKeepsRowsAndRecordsInStep) {
  struct Case {
    const char* name;
    void (MainWindow::*move)();
    std::vector<int> order;
    int selected;
  };
  const Case cases[] = {
      {"to the top", &MainWindow::MoveTaskToTop, {3, 1, 2, 4, 5}, 0},
      {"to the bottom", &MainWindow::MoveTaskToBottom, {1, 2, 4, 5, 3}, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    list()->setRowCount(0);
    window->tasks.clear();
    StoreTasks(5);
    list()->item(2, 6)->setText(QStringLiteral("输出错误(x)"));

    ASSERT_TRUE(RightClick(2));
    (window.get()->*c.move)();

    const ListView v = View();
    EXPECT_EQ(v.rowClips, c.order);
    EXPECT_EQ(v.taskClips, c.order);
    EXPECT_EQ(v.ids, Ids(5));
    EXPECT_EQ(window->SelectedRow(), c.selected);
    // The moved task keeps its cells and its record unchanged.
    EXPECT_EQ(list()->item(c.selected, 2)->text(), QStringLiteral("1080x1920"));
    EXPECT_EQ(list()->item(c.selected, 3)->text(), QStringLiteral("1003"));
    EXPECT_EQ(list()->item(c.selected, 5)->text(), QStringLiteral("1.3"));
    EXPECT_EQ(list()->item(c.selected, 6)->text(), QStringLiteral("输出错误(x)"));
    const task::TaskRecord& moved = window->tasks[c.selected];
    EXPECT_EQ(moved.commandLine, "-i " + task::Quote(ClipPath(3)) + " command 3");
    EXPECT_EQ(moved.finalOutputPath, "/nonexistent/flipframe/result/clip3_1.mp4");
    EXPECT_EQ(list()->rowCount(), 5);
  }
}

TEST_F(TaskListTest, MenuShowsOnlyWhatFitsTheRightClickedRow) {
  // Cases run in order on one window, so an entry hidden by one case must come back.
  struct Case {
    const char* name;
    int rows, row;
    const char* pattern;  // 清除执行状态 清除全部状态 - 新建 克隆 修改 删除 清空 - 顶部 底部
  };
  const Case cases[] = {
      {"empty list", 0, -1, "00010000000"},
      {"empty space of a list of three", 3, -1, "01110001000"},
      {"first row", 3, 0, "11111111101"},
      {"last row", 3, 2, "11111111110"},
      {"only row", 1, 0, "11111111000"},
      {"middle row afterwards", 3, 1, "11111111111"},
      {"empty space again", 3, -1, "01110001000"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    list()->setRowCount(0);
    window->tasks.clear();
    StoreTasks(c.rows);
    EXPECT_TRUE(RightClick(c.row));
    EXPECT_EQ(MenuPattern(), c.pattern);
  }
}

TEST_F(TaskListTest, NoMenuWhileABatchATrialOrAProbeRuns) {
  StoreTasks(3);
  std::atomic<int>* flags[] = {&window->running, &window->trialRunning, &window->probeBusy};
  for (std::atomic<int>* flag : flags) {
    *flag = 1;
    EXPECT_FALSE(RightClick(1));
    *flag = 0;
  }
  window->batchActive = true;  // between two tasks of a batch the running flag is down
  EXPECT_FALSE(RightClick(1));
  window->batchActive = false;
  EXPECT_TRUE(RightClick(1));
}

TEST_F(TaskListTest, DeletingTheOnlyTaskEmptiesTheListAndOpensThePicker) {
  StoreTasks(1);
  ASSERT_TRUE(RightClick(0));
  window->DeleteTask();
  EXPECT_EQ(list()->rowCount(), 0);
  EXPECT_TRUE(window->tasks.empty());
  EXPECT_EQ(window->处理进度->text(), QStringLiteral("0/0"));
  ASSERT_EQ(dialogs.fileRequests.size(), 1u);
  EXPECT_EQ(dialogs.fileRequests[0].title, QStringLiteral("打开前景视频，必须为常规格式的视频文件"));
}

TEST_F(TaskListTest, DeletingOneOfThreeRenumbersAndResetsWithoutPicker) {
  StoreTasks(3);
  list()->selectRow(0);
  window->LoadClickedTask();  // task 1 shown for modification
  ASSERT_EQ(window->保存任务->text(), QStringLiteral("保存任务"));

  ASSERT_TRUE(RightClick(1));
  window->DeleteTask();
  const ListView v = View();
  EXPECT_EQ(v.rowClips, (std::vector<int>{1, 3}));
  EXPECT_EQ(v.taskClips, (std::vector<int>{1, 3}));
  EXPECT_EQ(v.ids, Ids(2));
  EXPECT_EQ(window->处理进度->text(), QStringLiteral("0/2"));
  EXPECT_TRUE(dialogs.fileRequests.empty());
  EXPECT_EQ(window->currentRow, 0);
  EXPECT_EQ(window->保存任务->text(), QStringLiteral("添加任务"));
  EXPECT_TRUE(window->前景框->text().isEmpty());
  EXPECT_EQ(window->SelectedRow(), -1);
}

TEST_F(TaskListTest, ClearingStatesMakesTasksRunAgain) {
  StoreTasks(3);
  ASSERT_TRUE(RightClick(1));
  window->ClearTaskState();
  EXPECT_TRUE(list()->item(1, 6)->text().isEmpty());
  EXPECT_TRUE(window->tasks[1].finalOutputPath.empty());
  for (int row : {0, 2}) {
    EXPECT_EQ(list()->item(row, 6)->text(), QStringLiteral("处理完毕"));
    EXPECT_FALSE(window->tasks[row].finalOutputPath.empty());
  }

  ASSERT_TRUE(RightClick(-1));
  window->ClearAllStates();
  for (int row = 0; row < 3; ++row) {
    EXPECT_TRUE(list()->item(row, 6)->text().isEmpty());
    EXPECT_TRUE(window->tasks[row].finalOutputPath.empty());
    EXPECT_FALSE(list()->item(row, 5)->text().isEmpty()) << "the speed column stays";
  }
}

TEST_F(TaskListTest, ClearingAllTasksEmptiesEverythingAndOpensThePicker) {
  StoreTasks(3);
  ASSERT_TRUE(RightClick(-1));
  window->ClearAllTasks();
  EXPECT_EQ(list()->rowCount(), 0);
  EXPECT_TRUE(window->tasks.empty());
  EXPECT_EQ(window->处理进度->text(), QStringLiteral("0/0"));
  EXPECT_EQ(dialogs.fileRequests.size(), 1u);
  EXPECT_EQ(window->保存任务->text(), QStringLiteral("添加任务"));
}

TEST_F(TaskListTest, NewTaskButtonResetsAndOpensThePickerBelowTheLimitOnly) {
  StoreTasks(2);
  list()->selectRow(1);
  window->LoadClickedTask();
  ASSERT_EQ(window->宽度框->text(), QStringLiteral("1080"));

  window->新建任务->click();
  EXPECT_TRUE(window->宽度框->text().isEmpty());
  EXPECT_EQ(window->currentRow, 0);
  EXPECT_EQ(window->保存任务->text(), QStringLiteral("添加任务"));
  EXPECT_EQ(dialogs.fileRequests.size(), 1u);
  EXPECT_TRUE(dialogs.errors.isEmpty());

  list()->setRowCount(0);
  window->tasks.clear();
  StoreTasks(1000);
  window->宽度框->setText(QStringLiteral("720"));
  window->StartNewTask();
  EXPECT_EQ(dialogs.errors, QStringList{QStringLiteral("加入任务数量上限为1000个。")});
  EXPECT_EQ(window->宽度框->text(), QStringLiteral("720"));
  EXPECT_EQ(dialogs.fileRequests.size(), 1u);
}

TEST_F(TaskListTest, ClickingARowLoadsItUnlessATrialRuns) {
  StoreTasks(3);
  window->show();
  QTest::qWaitForWindowExposed(window.get());
  const QRect rect = list()->visualItemRect(list()->item(1, 1));

  window->trialRunning = 1;
  QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, rect.center());
  EXPECT_EQ(window->currentRow, 0);
  EXPECT_EQ(window->保存任务->text(), QStringLiteral("添加任务"));

  window->trialRunning = 0;
  QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, rect.center());
  EXPECT_EQ(window->currentRow, 2);
  EXPECT_EQ(window->保存任务->text(), QStringLiteral("保存任务"));
  EXPECT_TRUE(MainWindow::OwnEnabled(window->操作框));
  EXPECT_EQ(window->前景框->text(),
            QStringLiteral(" 无法读取") + QString::fromStdString(task::Quote(ClipPath(2))) +
                QStringLiteral("，请检查"));
}

// The task shown for modification is the one a save overwrites; moves and clones of other
// rows must not make the current row point at a different task.
TEST_F(TaskListTest, TaskUnderModificationIsFollowedThroughMovesAndClones) {
  StoreTasks(5);
  list()->selectRow(0);
  window->LoadClickedTask();  // clip 1
  auto shownClip = [&] {
    return ClipNumber(QString::fromStdString(
        task::Unquote(window->tasks[window->currentRow - 1].foregroundPath)));
  };
  ASSERT_EQ(shownClip(), 1);

  ASSERT_TRUE(RightClick(2));
  window->MoveTaskToTop();  // 3 1 2 4 5
  EXPECT_EQ(window->currentRow, 2);
  EXPECT_EQ(shownClip(), 1);

  ASSERT_TRUE(RightClick(1));
  window->MoveTaskToBottom();  // 3 2 4 5 1
  EXPECT_EQ(window->currentRow, 5);
  EXPECT_EQ(shownClip(), 1);

  ASSERT_TRUE(RightClick(0));
  window->CloneTask();  // 3 3 2 4 5 1
  EXPECT_EQ(window->currentRow, 6);
  EXPECT_EQ(shownClip(), 1);

  ASSERT_TRUE(RightClick(3));
  window->ClearTaskState();  // a right click alone does not retarget the save
  EXPECT_EQ(window->currentRow, 6);
}
