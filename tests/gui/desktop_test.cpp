// The installed program: where de.ini lives (decided, and seen from the real binary installed
// to a temporary prefix), Qt's texts in Chinese, the batch notification on a private bus.
#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QMessageBox>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "gui/desktop_notification.h"
#include "platform/platform.h"
#include "store/presets.h"
#include "store/settings_location.h"
#include "support/media.h"
#include "support/window_helpers.h"

namespace {

namespace ts = testing_support;
using window_helpers::Q;
using window_helpers::ReadFile;
using window_helpers::WaitFor;

TEST(SettingsPlace, InstalledUsesTheConfigFolderElsewhereTheProgramFolder) {
  struct Case {
    const char* what;
    presets::SettingsPlaceInputs in;
    std::string folder;
  };
  const std::vector<Case> cases = {
      {"build folder",
       {"/src/flipframe/build", "/usr/local/bin", false, "", "/home/a"},
       "/src/flipframe/build"},
      {"copied folder named bin",
       {"/opt/tools/bin", "/usr/local/bin", false, "", "/home/a"},
       "/opt/tools/bin"},
      {"configured bin folder",
       {"/usr/local/bin", "/usr/local/bin", false, "", "/home/a"},
       "/home/a/.config/flipframe"},
      {"bin folder written with a slash",
       {"/usr/bin", "/usr/bin/", false, "", "/home/a/"},
       "/home/a/.config/flipframe"},
      {"other prefix with our desktop entry",
       {"/tmp/p/bin", "/usr/bin", true, "", "/home/a"},
       "/home/a/.config/flipframe"},
      {"XDG_CONFIG_HOME wins", {"/usr/bin", "/usr/bin", false, "/cfg/", "/home/a"}, "/cfg/flipframe"},
      {"relative XDG_CONFIG_HOME is ignored",
       {"/usr/bin", "/usr/bin", false, "cfg", "/home/a"},
       "/home/a/.config/flipframe"},
      {"installed without a home", {"/usr/bin", "/usr/bin", false, "", ""}, ""},
      {"portable ignores XDG_CONFIG_HOME", {"/x", "/usr/bin", false, "/cfg", "/home/a"}, "/x"},
  };
  for (const Case& c : cases) EXPECT_EQ(presets::SettingsFolderFor(c.in), c.folder) << c.what;
}

// Starts the real program offscreen in a clean environment, waits until `created` appears and
// ends it.
void RunUntilCreated(const std::string& program, const std::vector<std::string>& env,
                     const std::string& created) {
  std::vector<std::string> argv = {"/usr/bin/env", "-u", "XDG_CONFIG_HOME", "QT_QPA_PLATFORM=offscreen"};
  argv.insert(argv.end(), env.begin(), env.end());
  argv.push_back(program);
  plat::Child child = plat::StartWithCapture(argv);
  ASSERT_TRUE(child.started());
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!plat::FileExists(created) && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  ::kill(child.pid, SIGTERM);
  ::waitpid(child.pid, nullptr, 0);
  ::close(child.readFd);
  EXPECT_TRUE(plat::FileExists(created)) << created;
}

std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder))
    names.push_back(e.path().filename().string());
  return names;
}

TEST(SettingsPlace, InstalledProgramKeepsDeIniInTheHomeConfigFolderACopyBesideItself) {
  const std::string root = ts::TempFolder() + "/install";
  const std::string prefix = root + "/prefix", home = root + "/home";
  plat::MakeDirs(home);
  ASSERT_EQ(ts::Shell("cmake --install '" FLIPFRAME_BUILD_DIR "' --prefix '" + prefix + "' >/dev/null"), 0);

  RunUntilCreated(prefix + "/bin/flipframe", {"HOME=" + home}, home + "/.config/flipframe/de.ini");
  EXPECT_EQ(ReadFile(home + "/.config/flipframe/de.ini"), presets::BuiltInText());
  EXPECT_EQ(FilesIn(prefix + "/bin"), std::vector<std::string>{"flipframe"});

  // The same program copied elsewhere is portable: de.ini beside it, the config folder untouched.
  const std::string copy = root + "/copy";
  ts::CopyInto(prefix + "/bin/flipframe", copy);
  const std::string otherHome = root + "/other-home";
  plat::MakeDirs(otherHome);
  RunUntilCreated(copy + "/flipframe", {"HOME=" + otherHome, "XDG_CONFIG_HOME=" + otherHome + "/cfg"},
                  copy + "/de.ini");
  EXPECT_EQ(ReadFile(copy + "/de.ini"), presets::BuiltInText());
  EXPECT_TRUE(FilesIn(otherHome).empty());
}

TEST(QtTranslations, StandardButtonsAreChinese) {
  QMessageBox box(QMessageBox::Question, QString(), QString(), QMessageBox::Yes | QMessageBox::No);
  EXPECT_EQ(box.button(QMessageBox::Yes)->text(), QString::fromUtf8("是(&Y)"));
  EXPECT_EQ(box.button(QMessageBox::No)->text(), QString::fromUtf8("否(&N)"));
}

TEST(BatchOutcome, CountsFinishedAndFailedButNotStoppedTasks) {
  app::BatchOutcome outcome;
  for (const char* state : {"处理完毕", "文件缺失", "手动停止", "输出错误(Invalid too big)", "处理完毕"})
    outcome.Count(state);
  EXPECT_EQ(outcome.finished, 2);
  EXPECT_EQ(outcome.failed, 2);
}

// A notification service on a private bus: records the calls it gets.
class FakeNotifications : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
 public:
  QStringList calls;  // "app_name|summary|body"
 public slots:
  uint Notify(const QString& app, uint, const QString&, const QString& summary, const QString& body,
              const QStringList&, const QVariantMap&, int) {
    calls << app + "|" + summary + "|" + body;
    return uint(calls.size());
  }
};

TEST(DesktopNotification, OneNotifyCallSaysHowManyFinishedAndFailed) {
  const auto lines =
      Q(ts::Capture("dbus-daemon --session --fork --print-address=1 --print-pid=1 2>/dev/null"))
          .split('\n', Qt::SkipEmptyParts);
  if (lines.size() < 2) GTEST_SKIP() << "no dbus-daemon to run a private bus";
  struct EndDaemon {
    pid_t pid;
    ~EndDaemon() { ::kill(pid, SIGTERM); }
  } endDaemon{lines[1].toInt()};
  {
    QDBusConnection client = QDBusConnection::connectToBus(lines[0], QStringLiteral("notify-test-client"));
    QDBusConnection service = QDBusConnection::connectToBus(lines[0], QStringLiteral("notify-test-service"));
    ASSERT_TRUE(client.isConnected() && service.isConnected());

    // No service yet: nothing happens and nothing breaks. The ping makes sure that call has
    // reached the bus (and been refused) before the service appears.
    app::NotifyBatchEnded({1, 0}, client);
    client.call(QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus.Peer"), QStringLiteral("Ping")));

    FakeNotifications server;
    ASSERT_TRUE(service.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &server,
                                       QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(service.registerService(QStringLiteral("org.freedesktop.Notifications")));
    app::NotifyBatchEnded({3, 2}, client);
    EXPECT_TRUE(WaitFor([&] { return !server.calls.isEmpty(); }));
    EXPECT_EQ(server.calls,
              QStringList{QString::fromUtf8("flipframe|flipframe|批量处理结束：3 个任务完成，2 个失败")});
    service.unregisterObject(QStringLiteral("/org/freedesktop/Notifications"));
  }
  QDBusConnection::disconnectFromBus(QStringLiteral("notify-test-client"));
  QDBusConnection::disconnectFromBus(QStringLiteral("notify-test-service"));
}

}  // namespace

#include "desktop_test.moc"
