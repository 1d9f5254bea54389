// Nothing set up is lost: the session list on disk (also through a kill -9), 恢复上次的任务列表,
// Ctrl+Z after a delete or a clear, the list's keys, and rows dragged to another place.
#include <QLabel>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>

#include <sys/wait.h>
#include <csignal>

#include "gui/session_keeper.h"
#include "store/task_list_file.h"
#include "support/task_helpers.h"
#include "support/window_helpers.h"

namespace ts = testing_support;

namespace {

// What must come back of a task: its place, identity, state and recorded output.
struct Kept {
  QString id, state;
  std::string foreground, output;
  bool operator==(const Kept&) const = default;
};

std::vector<Kept> KeptOf(const app::TaskListModel& list) {
  std::vector<Kept> kept;
  for (const app::TaskRow& r : list.rows())
    kept.push_back({r.id, r.state, r.record.foregroundPath, r.record.finalOutputPath});
  return kept;
}

}  // namespace

class SessionTest : public WindowCase {
 protected:
  QTableView* list() { return Find<QTableView>("列表框"); }
  app::TaskListModel& model() { return *Tasks().taskList; }
  SessionKeeper& keeper() { return *Find<SessionKeeper>("SessionKeeper"); }

  // The session list written as it stands now.
  void WaitForSessionWrite() {
    QSignalSpy written(&keeper(), &SessionKeeper::written);
    ASSERT_TRUE(written.wait(5000));
  }
  // A new window of the same program, as after a restart.
  void Restart() {
    window = std::make_unique<MainWindow>(&dialogs);
    window->exitProgram = [this](int code) { exitCode = code; };
  }
  void ShowActive() {
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    list()->setFocus();
  }
  void Key(int key, Qt::KeyboardModifiers modifiers = {}) {
    QTest::keyClick(list(), Qt::Key(key), modifiers);
  }
  QString Note() { return Find<QLabel>("状态提示")->text(); }
};

TEST_F(SessionTest, KilledProgramLosesNothingAdded) {
  const std::string program = ts::ProgramCopy();
  const std::string folder = program.substr(0, program.rfind('/'));
  const std::string clip = ts::CopyInto(ts::VideoWithSound(320, 180, 2), folder + "/clips");
  plat::Child child = plat::StartWithCapture(
      {"/usr/bin/env", "QT_QPA_PLATFORM=offscreen", "XDG_STATE_HOME=" + folder + "/state", program, clip});
  ASSERT_TRUE(child.started());
  const std::string session = folder + "/session.json";
  auto listed = [&] { return plat::FileExists(session) && app::LoadTaskList(session).rows.size() == 1; };
  for (int i = 0; i < 1200 && !listed(); ++i) gui::ResponsiveWait(50);  // up to a minute
  ::kill(child.pid, SIGKILL);
  ::waitpid(child.pid, nullptr, 0);
  plat::CloseFd(child.readFd);
  ASSERT_TRUE(listed()) << "the program never wrote its task to " << session;

  plat::SetProgramFolderForTesting(folder);
  Restart();
  EXPECT_EQ(model().size(), 0) << "the start shows an empty list";
  // The bottom strip offers the unfinished list back, in the notice's place.
  auto* offer = Find<QPushButton>("恢复提示");
  ASSERT_NE(offer, nullptr);
  EXPECT_EQ(offer->text(), QStringLiteral("恢复上次的任务列表（1个未完成）"));
  EXPECT_TRUE(Find<QLabel>("版权")->isHidden());
  offer->click();
  ASSERT_EQ(model().size(), 1);
  EXPECT_FALSE(Find<QLabel>("版权")->isHidden() && Find<QLabel>("状态提示")->isHidden());
  EXPECT_EQ(model().task(0).foregroundPath, task::Quote(clip));
  EXPECT_EQ(Find<QLabel>("处理进度")->text(), QStringLiteral("0/1"));
}

TEST_F(SessionTest, RestoreAndUndoBringBackTasksInPlaceWithTheirStates) {
  enum Action { kNone, kDelete, kClear };
  const struct {
    const char* name;
    Action action;  // 删除任务 of the middle row by its key, or 清空全部任务
    bool restart;   // a new window in between
    bool undo;      // Ctrl+Z, else the menu's 恢复上次的任务列表
    int left;       // rows in the list before bringing back
  } cases[] = {
      {"undo a delete", kDelete, false, true, 2},
      {"undo a clear", kClear, false, true, 0},
      {"restore what was cleared", kClear, false, false, 0},
      {"restore what was cleared, after a restart", kClear, true, false, 0},
      {"restore the list of the last session", kNone, true, false, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    plat::SetProgramFolderForTesting(window_helpers::NewFolder("session"));
    Restart();
    ShowActive();
    ts::StoreListedTasks(*window, 3);
    model().setState(1, QStringLiteral("输出错误(x)"));
    const std::vector<Kept> before = KeptOf(model());
    list()->selectRow(1);
    if (c.action == kClear) Tasks().ClearAllTasks();
    if (c.action == kDelete) Key(Qt::Key_Delete);
    WaitForSessionWrite();
    if (c.restart) {
      Restart();
      ShowActive();
    }
    ASSERT_EQ(model().size(), c.left);
    if (c.undo)
      Key(Qt::Key_Z, Qt::ControlModifier);
    else
      MenuEntry("恢复上次的任务列表")->trigger();
    EXPECT_EQ(KeptOf(model()), before);
    int finished = 0;
    for (int row = 0; row < model().size(); ++row) finished += model().finished(row) ? 1 : 0;
    EXPECT_EQ(Find<QLabel>("处理进度")->text(), QStringLiteral("%1/3").arg(finished));
    // A second time brings nothing twice.
    MenuEntry("恢复上次的任务列表")->trigger();
    Key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(model().size(), 3);
  }
}

// Rows dropped at another place move there through the model: numbers, records and the task
// being modified follow, and the session list is written.
TEST_F(SessionTest, DraggedRowMovesThroughTheModel) {
  EXPECT_EQ(list()->dragDropMode(), QAbstractItemView::InternalMove);
  const struct {
    int from, to;  // `to`: the row the dragged one lands before; -1 below the last row
    std::vector<int> order;
    int current;        // 1-based row of the task being modified afterwards
    bool onto = false;  // dropped onto row `to` rather than between rows
  } cases[] = {
      {2, 0, {3, 1, 2, 4, 5}, 1},       {0, -1, {2, 3, 4, 5, 1}, 5},
      {3, 1, {1, 4, 2, 3, 5}, 2},       {1, 4, {1, 3, 4, 2, 5}, 4},
      {0, 2, {2, 3, 1, 4, 5}, 3, true}, {2, 3, {1, 2, 3, 4, 5}, 3},  // dropped where it is
  };
  for (const auto& c : cases) {
    model().clearTasks();
    ts::StoreListedTasks(*window, 5);
    list()->selectRow(c.from);
    Tasks().LoadClickedTask();
    WaitForSessionWrite();
    std::unique_ptr<QMimeData> dragged(model().mimeData({model().index(c.from, 1)}));
    ASSERT_TRUE(model().dropMimeData(dragged.get(), Qt::MoveAction, c.onto ? -1 : c.to, 0,
                                     c.onto ? model().index(c.to, 0) : QModelIndex()));
    std::vector<int> order;
    for (int r = 0; r < model().size(); ++r) {
      const std::string path = task::Unquote(model().task(r).foregroundPath);
      order.push_back(std::stoi(path.substr(path.rfind("clip") + 4)));
      EXPECT_EQ(model().data(model().index(r, 0)).toInt(), r + 1);
    }
    EXPECT_EQ(order, c.order) << c.from << " to " << c.to;
    EXPECT_EQ(Tasks().CurrentRow(), c.current);
    if (c.order != std::vector<int>{1, 2, 3, 4, 5}) {
      WaitForSessionWrite();
      const app::LoadedTaskList saved = app::LoadTaskList(programFolder() + "/session.json");
      ASSERT_EQ(saved.rows.size(), 5u);
      EXPECT_EQ(saved.rows[size_t(c.current - 1)].record.foregroundPath,
                model().task(c.current - 1).foregroundPath);
    }
  }
}

// 保存任务 stores a ticked box into the task the settings area shows: the arrow keys load the row
// they move to, Enter loads the highlighted row, Delete deletes it.
TEST_F(SessionTest, KeysLoadTheHighlightedTaskAndSaveStoresTheTick) {
  const std::string clip = ts::CopyInto(ts::VideoWithSound(320, 180, 3), window_helpers::NewFolder("keys"));
  for (const char* duration : {"00:00:01", "00:00:02"}) {
    PickForeground(clip);
    Find<QLineEdit>("时长框")->setText(QString::fromUtf8(duration));
    Find<QPushButton>("保存任务")->click();
  }
  ASSERT_EQ(model().size(), 2) << dialogs.errors.join("|").toStdString();
  ShowActive();
  const QWidget* marker = Find<QWidget>("焦点框");
  EXPECT_TRUE(marker->isVisible());
  EXPECT_TRUE(marker->geometry().contains(QRect(list()->mapTo(window.get(), QPoint()), list()->size())));

  QCheckBox* mirror = Find<QCheckBox>("前景镜像");
  list()->selectRow(0);
  Tasks().LoadClickedTask();
  Key(Qt::Key_Down);
  EXPECT_EQ(Tasks().CurrentRow(), 2) << "the arrow key loads the row it moves to";
  EXPECT_EQ(Find<QLineEdit>("时长框")->text(), QStringLiteral("00:00:02"));
  ASSERT_TRUE(mirror->isEnabled());
  // At the suggested size of a portrait output the tick mirrors the one copy: a new command,
  // so the finished row will run again.
  model().setState(1, QStringLiteral("处理完毕"));
  mirror->click();
  Find<QPushButton>("保存任务")->click();
  ASSERT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("|").toStdString();
  EXPECT_TRUE(model().task(1).ticked(task::kTickMirror));
  EXPECT_NE(model().task(1).commandLine.find(",hflip[v];"), std::string::npos) << model().task(1).commandLine;
  EXPECT_FALSE(model().task(0).ticked(task::kTickMirror));
  EXPECT_EQ(model().state(1), QString());
  EXPECT_EQ(Tasks().SelectedRow(), 1);
  EXPECT_EQ(Note(), QStringLiteral("已保存第2个任务（将重新执行）"));
  const app::LoadedTaskList saved = app::LoadTaskList(programFolder() + "/session.json");
  ASSERT_EQ(saved.rows.size(), 2u);
  EXPECT_TRUE(saved.rows[1].record.ticked(task::kTickMirror)) << "written at once";

  Key(Qt::Key_Up);
  EXPECT_FALSE(mirror->isChecked());
  list()->selectRow(1);  // highlighted, not loaded
  Key(Qt::Key_Return);
  EXPECT_EQ(Tasks().CurrentRow(), 2);
  EXPECT_TRUE(mirror->isChecked());
  Find<QPushButton>("保存任务")->click();
  EXPECT_EQ(Note(), QStringLiteral("第2个任务没有改动，无需保存"));

  Key(Qt::Key_Delete);
  ASSERT_EQ(model().size(), 1);
  EXPECT_EQ(model().task(0).outputDuration, "00:00:01");
}

namespace {

// Home and End go to the first and last row; after Delete the next row is highlighted and
// loaded, so a second Delete goes on; clearing the list asks for no file, and 保存任务 with
// no clip says that none is picked.
TEST_F(SessionTest, ListKeysGoOnAsAFileManagerDoes) {
  ts::StoreListedTasks(*window, 4);
  ShowActive();
  list()->selectRow(1);
  const struct {
    int key, rows, selected;
  } steps[] = {{Qt::Key_Home, 4, 0},   {Qt::Key_End, 4, 3},  {Qt::Key_Delete, 3, 2},
               {Qt::Key_Delete, 2, 1}, {Qt::Key_Home, 2, 0}, {Qt::Key_Delete, 1, 0}};
  for (const auto& s : steps) {
    SCOPED_TRACE(s.key);
    Key(s.key);
    EXPECT_EQ(model().size(), s.rows);
    EXPECT_EQ(Tasks().SelectedRow(), s.selected);
    EXPECT_EQ(Tasks().CurrentRow(), s.selected + 1);  // loaded, as a click loads it
  }
  Tasks().ClearAllTasks();
  EXPECT_EQ(model().size(), 0);
  EXPECT_TRUE(dialogs.fileRequests.empty());
  Find<QPushButton>("保存任务")->click();
  EXPECT_EQ(dialogs.errors, QStringList{QString::fromUtf8(kNoForegroundMessage)});
}

}  // namespace
