// Task lists saved and loaded through the list's pop-up menu, and many files at once (a drop
// of a folder) made into tasks against the real converter.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QUrl>

#include <algorithm>
#include <array>
#include <fstream>
#include <string>
#include <vector>

#include "gui/status_note.h"
#include "store/task_list_file.h"
#include "support/task_helpers.h"
#include "support/window_fixture.h"
#include "task/command_builder.h"
#include "task/control_rules.h"

namespace ts = testing_support;

class TaskListFilesTest : public WindowTest {
 protected:
  std::string folder_ = ts::TempFolder() + "/lists-" + std::to_string(++count_);
  void SetUp() override {
    setenv("XDG_STATE_HOME", (folder_ + "/state").c_str(), 1);
    WindowTest::SetUp();
    plat::MakeDirs(folder_);
  }
  void Save(const std::string& path) {
    dialogs.saveAnswers.push_back(QString::fromStdString(path));
    MenuEntry("保存任务列表…")->trigger();
  }
  void Load(const std::string& path) {
    dialogs.fileAnswers.push_back(QString::fromStdString(path));
    MenuEntry("载入任务列表…")->trigger();
  }
  std::vector<app::TaskRow> Rows() const { return window->taskList().rows(); }
  static inline int count_ = 0;
};

TEST_F(TaskListFilesTest, SavedListLoadsBackAppendedFieldByField) {
  ts::StoreListedTasks(*window, 3);
  Tasks().taskList->setState(1, QStringLiteral("输出错误(Invalid argument)"));
  Tasks().taskList->clearState(2);
  const std::vector<app::TaskRow> saved = Rows();

  Save(folder_ + "/queue");  // the extension is added
  ASSERT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("|").toStdString();
  Tasks().taskList->clearTasks();
  Load(folder_ + "/queue.json");
  // Their stored commands ("command K") are not what the builder makes of them: said once.
  ASSERT_EQ(dialogs.errors.size(), 1) << dialogs.errors.join("|").toStdString();
  EXPECT_TRUE(dialogs.errors[0].contains("第1、2、3个任务保存的转换命令与其设置不符"));
  ASSERT_EQ(Rows().size(), saved.size());
  EXPECT_EQ(Find<QLabel>("处理进度")->text(), QStringLiteral("1/3"));  // task 1 finished
  for (size_t k = 0; k < saved.size(); ++k) {
    SCOPED_TRACE(k);
    EXPECT_EQ(Rows()[k].record, saved[k].record);
    EXPECT_EQ(Rows()[k].speed, saved[k].speed);
    EXPECT_EQ(Rows()[k].state, saved[k].state);
  }

  // The command line's LIST.json takes the same path: appended after what is there.
  Tasks().OpenArguments({QString::fromStdString(folder_ + "/queue.json")});
  ASSERT_EQ(Tasks().taskList->size(), 6);
  EXPECT_EQ(Tasks().taskList->task(5), saved[2].record);
  EXPECT_EQ(Tasks().taskList->data(Tasks().taskList->index(5, 0)).toString(), QStringLiteral("6"));
  EXPECT_EQ(Find<QLabel>("处理进度")->text(), QStringLiteral("2/6"));
  // The counter follows the states cleared from the menu.
  Find<QTableView>("列表框")->selectRow(3);
  ASSERT_TRUE(Tasks().PrepareTaskMenu());
  MenuEntry("清除执行状态")->trigger();
  EXPECT_EQ(Find<QLabel>("处理进度")->text(), QStringLiteral("1/6"));
  MenuEntry("清除全部状态")->trigger();
  EXPECT_EQ(Find<QLabel>("处理进度")->text(), QStringLiteral("0/6"));
}

TEST_F(TaskListFilesTest, DamagedOrTooLongListIsRefusedAndTheListStaysAsItWas) {
  const std::string damaged = folder_ + "/damaged.json", tooLong = folder_ + "/long.json";
  std::ofstream(damaged) << "{\"format\": \"flipframe-task-list\", \"version\": 1, \"tasks\": [{\"fore";
  ASSERT_TRUE(
      app::SaveTaskList(tooLong, std::vector<app::TaskRow>(998, app::TaskRow{ts::ListedTask(9), {}, {}}))
          .isEmpty());
  const struct {
    const char* name;
    const std::string& path;
    QString message;
  } cases[] = {
      {"damaged", damaged, app::LoadTaskList(damaged).error},
      {"past the limit", tooLong, QString::fromUtf8(app::kTaskLimitMessage)},
  };
  ASSERT_FALSE(cases[0].message.isEmpty());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Tasks().taskList->clearTasks();
    ts::StoreListedTasks(*window, 3);
    const std::vector<app::TaskRow> before = Rows();
    dialogs.errors.clear();
    Load(c.path);
    EXPECT_EQ(dialogs.errors, QStringList{c.message});
    ASSERT_EQ(Rows().size(), before.size());
    for (size_t k = 0; k < before.size(); ++k) EXPECT_EQ(Rows()[k].record, before[k].record);
  }
}

// A folder dropped on the window: its video files (a sub-folder's too) become tasks; a text
// file and a clip the wrong way round for the chosen ratio are named in one summary.
TEST_F(TaskListFilesTest, DroppedFolderBecomesTasksAndOneSummary) {
  const std::string dropped = folder_ + "/dropped";
  const std::string first = ts::CopyInto(ts::VideoWithSound(320, 180, 2), dropped);
  const std::string second = ts::CopyInto(ts::VideoWithoutSound(320, 180, 2), dropped + "/more");
  const std::string upright = ts::CopyInto(ts::VideoWithoutSound(180, 320, 2), dropped + "/upright");
  std::ofstream(dropped + "/notes.txt") << "not a video\n";
  const int portraitRatio = Find<QComboBox>("宽高比例")->findText(QStringLiteral(" 横->竖 [9:16]"));
  ASSERT_GE(portraitRatio, 0);
  Find<QComboBox>("宽高比例")->setCurrentIndex(portraitRatio);

  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(QString::fromStdString(dropped))});
  window->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  QDragEnterEvent enter(QPoint(20, 400), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(window.get(), &enter);  // a drop is delivered only after an accepted enter
  ASSERT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(20, 400), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(window.get(), &drop);
  ASSERT_TRUE(QTest::qWaitFor([this] { return !dialogs.warnings.isEmpty(); }, 120000));

  ASSERT_EQ(Tasks().taskList->size(), 2);
  std::vector<std::string> foregrounds;
  for (const app::TaskRow& row : Rows()) {
    foregrounds.push_back(task::Unquote(row.record.foregroundPath));
    EXPECT_FALSE(row.record.commandLine.empty());
    EXPECT_EQ(row.record.ratioIndex, portraitRatio);
  }
  std::sort(foregrounds.begin(), foregrounds.end());
  std::vector<std::string> expected = {first, second};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(foregrounds, expected);
  EXPECT_EQ(Find<QLabel>("处理进度")->text(), QStringLiteral("0/2"));

  EXPECT_TRUE(dialogs.errors.isEmpty());
  ASSERT_EQ(dialogs.warnings.size(), 1);
  const QStringList lines = dialogs.warnings[0].split('\n');
  ASSERT_EQ(lines.size(), 3) << dialogs.warnings[0].toStdString();
  EXPECT_EQ(lines[0], QStringLiteral("已加入 2 个任务，2 个文件未加入"));
  const QString notVideo = QString::fromStdString(dropped + "/notes.txt：") +
                           QString::fromUtf8(task::RefusalText(task::SourceKind::kForeground));
  EXPECT_EQ(lines[1], notVideo);
  EXPECT_TRUE(lines[2].startsWith(QString::fromStdString(upright + "：竖屏视频"))) << lines[2].toStdString();

  // A file already in the list with these settings is named, not added twice...
  Tasks().AddVideoFiles({QString::fromStdString(first), QString::fromStdString(dropped + "/notes.txt")});
  ASSERT_EQ(dialogs.warnings.size(), 2);
  EXPECT_EQ(dialogs.warnings[1], QStringLiteral("已加入 0 个任务，2 个文件未加入\n") +
                                     QString::fromStdString(first) + QStringLiteral("：已在任务列表中\n") +
                                     notVideo);
  EXPECT_EQ(Tasks().taskList->size(), 2);
  // With other settings it is another task; all added, the strip says so.
  Find<QCheckBox>("快速背景")->setChecked(true);
  Tasks().AddVideoFiles({QString::fromStdString(first)});
  EXPECT_EQ(dialogs.warnings.size(), 2);
  ASSERT_EQ(Tasks().taskList->size(), 3);
  EXPECT_EQ(Batch().note->text(), QStringLiteral("已加入 1 个任务"));
  // ...and the same again when the user adds it on purpose, alone, with 添加任务.
  dialogs.fileAnswers.push_back(QString::fromStdString(first));
  Find<QPushButton>("前景按钮")->click();
  Find<QPushButton>("保存任务")->click();
  EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join('|').toStdString();
  ASSERT_EQ(Tasks().taskList->size(), 4);
  EXPECT_EQ(task::Unquote(Tasks().taskList->task(3).foregroundPath), first);
}

// A received list through the menu: a task that could reach outside its job refuses the
// whole list; a list whose stored commands are not its tasks' own loads with one message and
// runs only what the tasks' fields and the local de.ini make.
TEST_F(TaskListFilesTest, HostileListLoadsWithOneMessageAndRunsNothingForeign) {
  const std::string victim = folder_ + "/victim.txt", leak = folder_ + "/leak.txt";
  ASSERT_TRUE(plat::WriteFileAtomically(victim, "keep"));
  std::vector<app::TaskRow> rows;
  for (const char* name : {"a", "b"}) {
    task::TaskRecord r =
        ts::TurnedTask(ts::CopyInto(ts::VideoWithSound(320, 180, 2), folder_ + "/" + name), 320, 180, 2);
    r.ticks[task::kTickColourShift] = 1;
    std::array<std::string, 4> writing = Editor().effectFilters;
    writing[2] = "metadata=mode=print:file=" + leak;
    task::TaskRecord copy = r;
    r.commandLine = task::BuildCommand(copy, task::BuildMode::Full, task::DiskEnvironment(writing)).text;
    rows.push_back({r, {}, {}});
  }
  rows[1].record.commandLine =
      "-i " + rows[1].record.foregroundPath + " -map 0 -f data -y \"" + victim + "\"";
  const std::string list = folder_ + "/received.json", refused = folder_ + "/refused.json";
  ASSERT_EQ(app::SaveTaskList(list, rows), QString());
  rows[0].record.audioPath = "\"-f\"";
  ASSERT_EQ(app::SaveTaskList(refused, rows), QString());

  Load(refused);
  ASSERT_EQ(dialogs.errors.size(), 1);
  EXPECT_TRUE(dialogs.errors[0].contains(
      QString::fromStdString("“" + refused + "”的第1个任务不能使用：音乐文件“-f”")))
      << dialogs.errors[0].toStdString();
  EXPECT_EQ(Tasks().taskList->size(), 0);

  Load(list);
  ASSERT_EQ(dialogs.errors.size(), 2);
  EXPECT_TRUE(dialogs.errors[1].contains("第1个任务带有与本机 de.ini 不同的特效滤镜"))
      << dialogs.errors[1].toStdString();
  EXPECT_TRUE(dialogs.errors[1].contains("第2个任务保存的转换命令与其设置不符"));
  ASSERT_EQ(Tasks().taskList->size(), 2);

  Find<QPushButton>("开始执行")->click();
  EXPECT_EQ(dialogs.errors.size(), 2);
  for (int row = 0; row < 2; ++row) {
    EXPECT_EQ(Tasks().taskList->state(row), QStringLiteral("处理完毕")) << row;
    EXPECT_TRUE(plat::FileExists(Tasks().taskList->task(row).finalOutputPath)) << row;
  }
  EXPECT_FALSE(plat::FileExists(leak));
  EXPECT_EQ(ts::Capture("cat '" + victim + "'"), "keep");
}
