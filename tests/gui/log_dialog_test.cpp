// "查看日志": the converter's output kept per row, and the command line a user copies from the
// dialog, as a real shell splits it.
#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>

#include <string>
#include <vector>

#include "gui/log_dialog.h"
#include "pipeline/stored_task.h"
#include "probe/converter.h"
#include "store/task_list_file.h"
#include "support/task_helpers.h"
#include "support/window_fixture.h"
#include "support/window_helpers.h"

namespace ts = testing_support;

namespace {

// The words `sh` makes of `line`.
std::vector<std::string> ShellWords(const std::string& line) {
  const std::string out = ts::Capture("printf '%s\\0' " + line);
  std::vector<std::string> words;
  for (size_t start = 0, end; (end = out.find('\0', start)) != std::string::npos; start = end + 1)
    words.push_back(out.substr(start, end - start));
  return words;
}

}  // namespace

TEST(LogDialogTest, CopiedCommandSplitsBackIntoTheWordsTheTaskRuns) {
  const std::string stored =
      R"(-i "/tmp/my clip's 视频.mp4" -vf "drawtext=text='a $HOME `id` \n'" -y "/out dir/结果 (1).gif")";
  ASSERT_FALSE(probe::ConverterPath().empty());
  std::vector<std::string> expected{probe::ConverterPath(), "-hide_banner", "-loglevel", "level+info"};
  for (const std::string& w : probe::SplitArguments(stored)) expected.push_back(w);

  app::LogDialog dialog(nullptr, QString(), app::TaskShellLine(probe::SplitArguments(stored)));
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("查看日志"));
  auto* log = dialog.findChild<QPlainTextEdit*>(QStringLiteral("logText"));
  ASSERT_NE(log, nullptr);
  EXPECT_TRUE(log->isReadOnly());
  EXPECT_EQ(log->toPlainText(), QStringLiteral("这个任务在本次运行中还没有转换程序的输出。"));
  ASSERT_NE(dialog.findChild<QLineEdit*>(QStringLiteral("commandLine")), nullptr);
  EXPECT_TRUE(dialog.findChild<QLineEdit*>(QStringLiteral("commandLine"))->isReadOnly());

  QGuiApplication::clipboard()->clear();
  auto* copy = dialog.findChild<QPushButton*>(QStringLiteral("copyCommand"));
  ASSERT_NE(copy, nullptr);
  copy->click();
  EXPECT_EQ(ShellWords(QGuiApplication::clipboard()->text().toStdString()), expected);
}

class LogMenuTest : public WindowTest {
 protected:
  bool RightClick(int row) {
    Find<QTableView>("列表框")->selectRow(row);
    return Tasks().PrepareTaskMenu();
  }
};

TEST_F(LogMenuTest, ConverterOutputFollowsItsRowIntoTheDialogButNotIntoListFiles) {
  const ts::ConverterRun run = ts::RunConverter("-f lavfi -i nosuchsource=size=2x2 -f null -", false, 20000);
  ASSERT_TRUE(run.exited);
  ASSERT_NE(run.status, 0);
  ASSERT_TRUE(ts::Has(run.output, "nosuchsource"));

  ts::StoreListedTasks(*window, 3);
  // Chunks as the batch reads them, cutting lines anywhere.
  for (size_t i = 0; i < run.output.size(); i += 7) Tasks().taskList->appendLog(2, run.output.substr(i, 7));
  const QString kept = QString::fromStdString(run.output);
  ASSERT_EQ(Tasks().taskList->log(2), kept);

  ASSERT_TRUE(RightClick(2));
  Tasks().MoveTaskToTop();  // task 3 now first
  ASSERT_TRUE(RightClick(1));
  Tasks().DeleteTask();                   // task 1 gone: tasks 3, 2
  Tasks().taskList->insertCloneAfter(0);  // tasks 3, 3 (clone), 2
  EXPECT_EQ(Tasks().taskList->log(0), kept);
  EXPECT_EQ(Tasks().taskList->log(1), QString());
  EXPECT_EQ(Tasks().taskList->log(2), QString());

  const std::string listFile = window_helpers::NewFolder("log") + "/list.json";
  ASSERT_EQ(app::SaveTaskList(listFile, Tasks().taskList->rows()), QString());
  EXPECT_TRUE(ts::Lacks(window_helpers::ReadFile(listFile), "nosuchsource"));

  ASSERT_TRUE(RightClick(0));
  ASSERT_TRUE(MenuEntry("查看日志")->isVisible());
  MenuEntry("查看日志")->trigger();
  ASSERT_EQ(dialogs.logs.size(), 1u);
  EXPECT_EQ(dialogs.logs[0].log, kept);
  // The command task 3 runs: built from its fields, not its stored text.
  const task::BuildEnvironment look{ts::BuiltInEffects(), plat::FileExists, nullptr};
  EXPECT_EQ(dialogs.logs[0].commandLine, app::TaskShellLine(pipeline::RunWords(ts::ListedTask(3), look)));
  EXPECT_TRUE(dialogs.logs[0].commandLine.contains(QString::fromStdString(ts::ListedClip(3))));

  Tasks().taskList->clearLog(0);  // the task runs again
  EXPECT_EQ(Tasks().taskList->log(0), QString());
}
