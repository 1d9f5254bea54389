// Start-up, the effect presets of de.ini, the close query and pause/resume, driven through
// the real window. Converters are played by a small program copied under the name "ffmpeg"
// into the test's program folder.
#include <signal.h>
#include <sys/wait.h>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include <filesystem>
#include <string>
#include <vector>

#include "gui/ratio_table.h"
#include "probe/converter.h"
#include "store/presets.h"
#include "support/window_helpers.h"

using namespace window_helpers;

namespace {

namespace fs = std::filesystem;

std::string Join(const std::vector<std::string>& lines, const std::string& separator) {
  std::string out;
  for (size_t i = 0; i < lines.size(); ++i) out += (i ? separator : "") + lines[i];
  return out;
}

const std::vector<std::string> kBuiltInLines = {"上下跃动",
                                                "crop='in_w/1.2:in_h/1.2:(in_w-out_w)/2+((in_w-out_w)/"
                                                "2)*sin(n/10):(in_h-out_h)/1.2+((in_h-out_h)/1.2)*sin(n/7)'",
                                                "左右跃动",
                                                "crop='in_w/1.2:in_h/1.2:(in_w-out_w)/2+((in_w-out_w)/"
                                                "2)*sin(n/5):(in_h-out_h)/1.2+((in_h-out_h)/1.2)*sin(n/14)'",
                                                "色变",
                                                "hue='H=2*PI*t:s=sin(2*PI*t)+1'",
                                                "迷幻",
                                                "geq=r='X/W*r(X,Y)':g='(1-X/W)*g(X,Y)':b='(H-Y)/H*b(X,Y)'"};
// The file a first start writes, byte for byte: "\r\n" between the lines, none after.
const std::string kBuiltInFile = Join(kBuiltInLines, "\r\n");
const std::vector<std::string> kBuiltInCaptions = {kBuiltInLines[0], kBuiltInLines[2], kBuiltInLines[4],
                                                   kBuiltInLines[6]};
const std::vector<std::string> kBuiltInFilters = {kBuiltInLines[1], kBuiltInLines[3], kBuiltInLines[5],
                                                  kBuiltInLines[7]};

std::vector<std::string> Captions(const presets::PresetTable& t) {
  return {t[0].caption, t[1].caption, t[2].caption, t[3].caption};
}
std::vector<std::string> Filters(const presets::PresetTable& t) {
  return {t[0].filter, t[1].filter, t[2].filter, t[3].filter};
}

// ---- line splitting and caption widths -----------------------------------------------------

TEST(PresetLines, SplitAtCrLfOrLoneLfWithoutAnExtraLineAtTheEnd) {
  struct Case {
    std::string content;
    std::vector<std::string> lines;
  } cases[] = {
      {"", {}},
      {"one", {"one"}},
      {"one\r\ntwo", {"one", "two"}},
      {"one\r\ntwo\r\n", {"one", "two"}},
      {"one\ntwo\n", {"one", "two"}},  // saved by a Linux editor
      {"one\r\n\ntwo", {"one", "", "two"}},
      {"\r\n", {""}},
      {"\r\n\r\n", {"", ""}},
      {"a\rb\r\nc", {"a\rb", "c"}},  // a lone carriage return ends nothing
  };
  for (const auto& c : cases) EXPECT_EQ(presets::SplitLines(c.content), c.lines) << c.content;
}

TEST(PresetLines, CaptionsAreCutToWidthsEightAndFourNeverInsideACharacter) {
  std::array<std::string, presets::kLines> lines = presets::BuiltInLines();
  lines[0] = "一二三四五六";
  lines[2] = "abc上下跃";
  lines[4] = "a色变";
  lines[6] = "分量色变";
  const auto table = presets::TableFromLines(lines);
  EXPECT_EQ(Captions(table), (std::vector<std::string>{"一二三四", "abc上下", "a色", "分量"}));
  EXPECT_EQ(Filters(table), kBuiltInFilters);
}

// ---- the file ------------------------------------------------------------------------------

TEST(PresetFile, MissingOrEmptyFileIsCreatedWithTheBuiltInText) {
  for (bool existsEmpty : {false, true}) {
    const std::string path = NewFolder("presets") + "/de.ini";
    if (existsEmpty) WriteFile(path, "");
    const auto table = presets::LoadPresets(path);
    EXPECT_EQ(ReadFile(path), kBuiltInFile) << existsEmpty;
    EXPECT_EQ(Captions(table), kBuiltInCaptions);
    EXPECT_EQ(Filters(table), kBuiltInFilters);
    // Nothing but de.ini is left in the folder.
    EXPECT_EQ(std::distance(fs::directory_iterator(plat::FolderOf(path)), fs::directory_iterator()), 1);
  }
}

// A file that is not empty is read up to its first byte 0 or 0x1A and never written, even
// when nothing of it is read; a byte-order mark is not part of the first caption.
TEST(PresetFile, AFileThatIsNotEmptyIsReadUpToAStopByteAndNeverWritten) {
  const std::string& builtIn = kBuiltInCaptions[0];
  const std::string& builtInFilter = kBuiltInFilters[0];
  const std::string user = "mine\r\nhue=H=1";
  struct Case {
    const char* what;
    std::string bytes, caption, filter;
  } cases[] = {
      {"only a line break", "\r\n", builtIn, builtInFilter},
      {"starts with a byte 0", std::string("\0mine\r\nx", 8), builtIn, builtInFilter},
      {"starts with 0x1A",
       "\x1A"
       "mine",
       builtIn, builtInFilter},
      {"user text", user, "mine", "hue=H=1"},
      {"byte 0 after line 2", user + '\0' + "\r\nhidden\r\nhidden", "mine", "hue=H=1"},
      {"0x1A after line 2", user + '\x1A' + "\r\nhidden\r\nhidden", "mine", "hue=H=1"},
      {"byte-order mark",
       "\xEF\xBB\xBF"
       "跳跳\r\n",
       "跳跳", builtInFilter},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = NewFolder("presets") + "/de.ini";
    WriteFile(path, c.bytes);
    const auto table = presets::LoadPresets(path);
    EXPECT_EQ(table[0].caption, c.caption);
    EXPECT_EQ(table[0].filter, c.filter);
    EXPECT_EQ(table[1].caption, kBuiltInCaptions[1]);  // nothing after a stop byte is read
    EXPECT_EQ(ReadFile(path), c.bytes);
  }
}

TEST(PresetFile, UnusableLocationsGiveTheBuiltInPresetsAndCreateNothing) {
  // A "folder" that is a regular file cannot hold de.ini, whoever we are.
  const std::string blocker = NewFolder("presets") + "/not-a-folder";
  WriteFile(blocker, "x");
  auto table = presets::LoadPresets(blocker + "/de.ini");
  EXPECT_EQ(Captions(table), kBuiltInCaptions);
  EXPECT_EQ(Filters(table), kBuiltInFilters);
  EXPECT_EQ(ReadFile(blocker), "x");

  // de.ini that is a folder cannot be read or replaced.
  const std::string folder = NewFolder("presets");
  plat::MakeDirs(folder + "/de.ini");
  table = presets::LoadPresets(folder + "/de.ini");
  EXPECT_EQ(Captions(table), kBuiltInCaptions);
  EXPECT_TRUE(plat::IsDirectory(folder + "/de.ini"));
}

TEST(PresetFile, GbkFileFromWindowsReadsLikeItsUtf8Twin) {
  const std::string utf8 = "上下跃动啊\r\ncrop=iw/2:ih/2\r\n左右\r\n\r\n色变色变\r\nhue=H=1\r\n迷幻了\r\n";
  const std::string folder = NewFolder("presets");
  WriteFile(folder + "/utf8.ini", utf8);
  // The twin is made by the system's own converter, not by the code under test.
  ASSERT_EQ(
      testing_support::Shell("iconv -f UTF-8 -t GBK '" + folder + "/utf8.ini' > '" + folder + "/gbk.ini'"),
      0);
  ASSERT_NE(ReadFile(folder + "/gbk.ini"), utf8);
  const auto fromUtf8 = presets::LoadPresets(folder + "/utf8.ini");
  const auto fromGbk = presets::LoadPresets(folder + "/gbk.ini");
  EXPECT_EQ(Captions(fromGbk), Captions(fromUtf8));
  EXPECT_EQ(Filters(fromGbk), Filters(fromUtf8));
  EXPECT_EQ(Captions(fromGbk), (std::vector<std::string>{"上下跃动", "左右", "色变", "迷幻"}));
}

}  // namespace

// ---- the window ----------------------------------------------------------------------------

class StartupTest : public WindowCase {
 protected:
  QCheckBox* Box(int effect) {
    QCheckBox* boxes[] = {Find<QCheckBox>("上下跃动"), Find<QCheckBox>("左右跃动"),
                          Find<QCheckBox>("分量色变"), Find<QCheckBox>("迷幻")};
    return boxes[effect - 1];
  }
  std::vector<std::string> ShownCaptions() {
    std::vector<std::string> out;
    for (int e = 1; e <= 4; ++e) out.push_back(Box(e)->text().toStdString());
    return out;
  }
  std::vector<std::string> WindowFilters() {
    std::vector<std::string> out;
    for (int e = 1; e <= 4; ++e) out.push_back(Editor().EffectFilter(e));
    return out;
  }
  std::string SettingsFile() const { return programFolder() + "/de.ini"; }
};

TEST_F(StartupTest, FirstStartInAnEmptyFolderWritesTheBuiltInFileAndShowsItsCaptions) {
  EXPECT_EQ(ReadFile(SettingsFile()), kBuiltInFile);
  EXPECT_EQ(ShownCaptions(), kBuiltInCaptions);
  EXPECT_EQ(WindowFilters(), kBuiltInFilters);
  EXPECT_TRUE(dialogs.errors.isEmpty());
  EXPECT_TRUE(dialogs.questions.isEmpty());
  EXPECT_EQ(Editor().EffectFilter(0), "");
  EXPECT_EQ(Editor().EffectFilter(5), "");
}

TEST_F(StartupTest, StartUpBringsTheWindowIntoItsWorkingState) {
  auto check = [&](const char* when) {
    SCOPED_TRACE(when);
    for (int kind = 1; kind <= 4; ++kind) EXPECT_EQ(Editor().lastFolder[size_t(kind)], programFolder());
    EXPECT_EQ(Editor().ratioTable, app::kRatioTable);
    EXPECT_EQ(Find<QTableView>("列表框")->verticalHeader()->defaultSectionSize(), 19);
    EXPECT_EQ(Find<QLabel>("动画预览")->pos(), QPoint(13, 14));
    EXPECT_TRUE(Find<QLabel>("动画预览")->isHidden());
    EXPECT_EQ(Find<QLabel>("前景框")->width(), 312);
    EXPECT_EQ(Find<QFrame>("前景框b")->width(), 318);
    EXPECT_EQ(Find<CountComboBox>("前景计数")->count(), 0);
    EXPECT_EQ(Editor().lastComputedCount, 0);
    EXPECT_EQ(Find<QLabel>("处理进度")->text(), "0/0");
    EXPECT_EQ(Tasks().taskList->size(), 0);
    EXPECT_TRUE(Tasks().taskList->rows().empty());
    EXPECT_EQ(Tasks().CurrentRow(), 0);
  };
  check("after construction");

  // Everything the sequence sets, disturbed, is set again by it.
  Editor().lastFolder.fill("/elsewhere");
  Editor().ratioTable.fill(0);
  Find<QLabel>("动画预览")->move(-147, 14);
  Editor().UpdateForegroundCount(1920, 1080);
  Editor().lastComputedCount = 3;
  Find<QLabel>("处理进度")->setText(QStringLiteral("2/5"));
  Tasks().taskList->appendRows(std::vector<app::TaskRow>(2));
  Tasks().SetCurrentRow(1);
  window->OnMainWindowCreated();
  check("after running the sequence again");
}

TEST_F(StartupTest, RightClickReloadsPresetsWithoutChangingTheTick) {
  // Six Chinese characters on line 1, every other line empty.
  WriteFile(SettingsFile(), "一二三四五六\r\n\r\n\r\n\r\n\r\n\r\n\r\n");
  Box(1)->setEnabled(true);
  Box(1)->setChecked(true);
  QTest::mouseClick(Box(1), Qt::RightButton);
  EXPECT_EQ(ShownCaptions(), (std::vector<std::string>{"一二三四", "左右跃动", "色变", "迷幻"}));
  EXPECT_EQ(WindowFilters(), kBuiltInFilters);
  EXPECT_TRUE(Box(1)->isChecked());

  // Line 6 edited while the program runs, taken over by a right click on 迷幻.
  WriteFile(SettingsFile(), "\r\n\r\n\r\n\r\n\r\nhue='H=PI*t'");
  Box(4)->setEnabled(true);
  Box(4)->setChecked(false);
  QTest::mouseClick(Box(4), Qt::RightButton);
  EXPECT_EQ(Editor().EffectFilter(3), "hue='H=PI*t'");
  EXPECT_EQ(ShownCaptions(), kBuiltInCaptions);
  EXPECT_FALSE(Box(4)->isChecked());
  EXPECT_TRUE(dialogs.errors.isEmpty());
}

// Each load takes the file as it is now and never writes it: a file of only "\r\n" brings the
// built-in presets back; lines after the eighth and a final line break change nothing.
TEST_F(StartupTest, EachLoadTakesTheFileAsItIsNow) {
  const std::string tenLines = Join({"甲", "f1", "乙", "f2", "丙", "f3", "丁", "f4", "戊", "f5"}, "\r\n");
  const std::vector<std::string> filters = {"f1", "f2", "f3", "f4"};
  struct Case {
    std::string bytes;
    std::vector<std::string> captions, filters;
  } cases[] = {
      {"a\r\nf1\r\nb\r\nf2\r\nc\r\nf3\r\nd\r\nf4", {"a", "b", "c", "d"}, filters},
      {"\r\n", kBuiltInCaptions, kBuiltInFilters},
      {tenLines, {"甲", "乙", "丙", "丁"}, filters},
      {tenLines + "\r\n", {"甲", "乙", "丙", "丁"}, filters},
      {tenLines + "\n", {"甲", "乙", "丙", "丁"}, filters},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes);
    WriteFile(SettingsFile(), c.bytes);
    Editor().LoadEffectPresets();
    EXPECT_EQ(ShownCaptions(), c.captions);
    EXPECT_EQ(WindowFilters(), c.filters);
    EXPECT_EQ(ReadFile(SettingsFile()), c.bytes);
  }
}

// ---- converters: start-up cleanup, close query, pause --------------------------------------

class ConverterWindowTest : public StartupTest {
 protected:
  void SetUp() override {
    StartupTest::SetUp();
    fs::copy_file("/bin/sleep", programFolder() + "/ffmpeg");
    fs::permissions(programFolder() + "/ffmpeg", fs::perms::owner_all | fs::perms::others_exec);
    probe::ResolveConverterAgain();
    ASSERT_EQ(probe::ConverterPath(), programFolder() + "/ffmpeg");
  }
  void TearDown() override {
    for (const plat::Child& c : children_) {
      plat::ResumeProcess(c.pid);
      plat::ReapChild(c.pid, 0);
      plat::CloseFd(c.readFd);
    }
    StartupTest::TearDown();
    probe::ResolveConverterAgain();
  }

  // Keeps the child for the clean-up, once it runs the new program and sleeps: posix_spawn
  // returns before the kernel has given the child its new name.
  pid_t Keep(const plat::Child& c) {
    EXPECT_TRUE(c.started());
    children_.push_back(c);
    EXPECT_EQ(StateAfterSignal(c.pid, 'S'), 'S');
    for (int i = 0; i < 500 && ReadFile("/proc/" + std::to_string(c.pid) + "/comm") != "ffmpeg\n"; ++i)
      plat::SleepMs(10);
    return c.pid;
  }
  // One of ours, started the way the program starts its converters.
  pid_t StartOwned() { return Keep(probe::StartConverter({"60"})); }
  // The same binary started by someone else.
  pid_t StartForeign() { return Keep(plat::StartWithCapture({probe::ConverterPath(), "60"})); }

  static bool EndedBySigkill(pid_t pid) {
    int status = 0;
    return waitpid(pid, &status, 0) == pid && WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
  }
  static bool Alive(pid_t pid) {
    const char s = plat::ProcessState(pid);
    return s != 0 && s != 'Z';
  }
  static char StateAfterSignal(pid_t pid, char want) {
    char state = plat::ProcessState(pid);
    for (int i = 0; i < 500 && state != want; ++i) {
      plat::SleepMs(10);
      state = plat::ProcessState(pid);
    }
    return state;
  }

  const QString kQuestion = QStringLiteral("优化尚在运行中，是否强制退出？");
  std::vector<plat::Child> children_;
};

TEST_F(ConverterWindowTest, StartUpEndsAStrayConverterOfOursAndLeavesAForeignOneAlone) {
  window.reset();
  const pid_t stray = StartOwned();
  const pid_t foreign = StartForeign();
  window = std::make_unique<MainWindow>(&dialogs);
  window->exitProgram = [this](int code) { exitCode = code; };
  EXPECT_TRUE(EndedBySigkill(stray));
  EXPECT_TRUE(Alive(foreign));
}

TEST_F(ConverterWindowTest, ClosingDuringABatchAsksAndNoKeepsEverythingRunning) {
  const pid_t owned = StartOwned();
  for (int which = 0; which < 2; ++which) {
    Batch().runner->ForceFlagsForTest({.active = which == 1, .converting = which == 0});
    dialogs.yesNoAnswers = {false};
    EXPECT_FALSE(window->close());
    EXPECT_EQ(dialogs.questions.size(), which + 1);
    EXPECT_EQ(dialogs.questions.last(), kQuestion);
    EXPECT_EQ(exitCode, -1);
    EXPECT_FALSE(Batch().runner->stopRequested());
    EXPECT_TRUE(Alive(owned));
  }
}

// Without a batch the program cleans up and exits without a question; during one, Yes stops
// the batch, cleans up and exits. A foreign converter survives both.
TEST_F(ConverterWindowTest, ClosingCleansUpAndExits) {
  for (bool batch : {false, true}) {
    SCOPED_TRACE(batch ? "during a batch, Yes" : "no batch");
    const pid_t owned = StartOwned();
    const pid_t foreign = StartForeign();
    Batch().runner->ForceFlagsForTest({.active = batch, .converting = batch});
    dialogs.questions.clear();
    dialogs.yesNoAnswers = {true};
    exitCode = -1;
    EXPECT_TRUE(window->close());
    EXPECT_EQ(dialogs.questions, batch ? QStringList{kQuestion} : QStringList{});
    EXPECT_EQ(Batch().runner->stopRequested(), batch);
    EXPECT_EQ(exitCode, 0);
    EXPECT_TRUE(EndedBySigkill(owned));
    EXPECT_TRUE(Alive(foreign));
  }
}

TEST_F(ConverterWindowTest, PauseSuspendsAndResumeContinuesOnlyOurConverters) {
  const pid_t foreign = StartForeign();
  Find<QPushButton>("暂停执行")->setEnabled(true);
  auto click = [&](const char* caption) {
    QTest::mouseClick(Find<QPushButton>("暂停执行"), Qt::LeftButton);
    EXPECT_EQ(Find<QPushButton>("暂停执行")->text(), caption);
  };
  // With no converter of ours the caption still toggles and nothing is touched.
  click("继续执行");
  click("暂停执行");
  EXPECT_EQ(plat::ProcessState(foreign), 'S');

  const pid_t owned = StartOwned();
  click("继续执行");
  EXPECT_EQ(StateAfterSignal(owned, 'T'), 'T');
  EXPECT_EQ(plat::ProcessState(foreign), 'S');
  click("暂停执行");
  EXPECT_EQ(StateAfterSignal(owned, 'S'), 'S');
  EXPECT_EQ(plat::ProcessState(foreign), 'S');
}
