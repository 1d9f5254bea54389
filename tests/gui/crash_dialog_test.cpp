// The crash report dialog on a real report: error code, message, named frames, the copy
// button; and the offer at the next start of a report the reporter could not show.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include <string>

#include "gui/crash_dialog.h"
#include "platform/crash_handler.h"
#include "platform/platform.h"
#include "support/media.h"

namespace ts = testing_support;

namespace {

// A copy of the program crashed as a window would, without a display: its reporter cannot
// show the report, so the marker stays. Returns the crash folder.
std::string CrashedWindowFolder() {
  const std::string folder = ts::TempFolder() + "/crash-window";
  ts::Shell("mkdir -p '" + folder + "' && cp '" FLIPFRAME_BINARY "' '" + folder +
            "/flipframe' && env -u DISPLAY " + "-u WAYLAND_DISPLAY -u QT_QPA_PLATFORM '" + folder +
            "/flipframe' --crash-test segv window 2>/dev/null");
  return folder + "/crashes";
}

}  // namespace

TEST(CrashDialog, ShowsCodeMessageNamedStackAndCopiesTheReport) {
  const std::string folder = CrashedWindowFolder();
  std::vector<std::string> markers;
  for (const std::string& name : plat::FolderEntries(folder))
    if (name.ends_with(crash::kUnshownSuffix)) markers.push_back(name);
  ASSERT_EQ(markers.size(), 1u);

  app::CrashDialog* dialog = app::OfferUnshownCrashReport(nullptr, folder);
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_FALSE(plat::FileExists(folder + "/" + markers[0]));  // offered once
  EXPECT_EQ(app::OfferUnshownCrashReport(nullptr, folder), nullptr);

  EXPECT_EQ(dialog->findChild<QLabel*>(QStringLiteral("错误代码"))->text(), QStringLiteral("SIGSEGV (11)"));
  EXPECT_TRUE(
      dialog->findChild<QLabel*>(QStringLiteral("错误信息"))->text().startsWith(QStringLiteral("段错误")));
  const QString stack = dialog->findChild<QPlainTextEdit*>(QStringLiteral("调用栈"))->toPlainText();
  EXPECT_TRUE(stack.contains(QStringLiteral("crash::CrashOnPurpose"))) << stack.toStdString();

  QApplication::clipboard()->clear();
  dialog->findChild<QPushButton*>(QStringLiteral("复制报告"))->click();
  const QString copied = QApplication::clipboard()->text();
  EXPECT_EQ(copied, dialog->wholeReport());
  EXPECT_TRUE(copied.contains(QStringLiteral("错误代码: SIGSEGV (11)")));
  EXPECT_TRUE(copied.contains(QStringLiteral("crash::CrashOnPurpose")));
  EXPECT_TRUE(copied.contains(QStringLiteral("/flipframe(+0x")));  // the raw stack too
  dialog->close();
}
