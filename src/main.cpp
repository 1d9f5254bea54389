// flipframe: converts video files in batches between landscape and portrait layout.
#include <QApplication>
#include <QFile>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "cli/convert_cli.h"
#include "cli/exit_codes.h"
#include "cli/probe_cli.h"
#include "cli/run_cli.h"
#include "gui/crash_dialog.h"
#include "gui/main_window.h"
#include "gui/qt_translations.h"
#include "platform/crash_handler.h"
#include "platform/platform.h"
#include "store/settings_location.h"

namespace {

const char* Env(const char* name) {
  const char* v = std::getenv(name);
  return v && *v ? v : nullptr;
}

// A display the toolkit can open; without one Qt would abort with a long message.
bool HaveDisplay() {
  if (Env("QT_QPA_PLATFORM") || Env("WAYLAND_DISPLAY")) return true;
  const char* display = Env("DISPLAY");
  return display && plat::LocalX11DisplayReachable(display);
}

}  // namespace

int main(int argc, char** argv) {
  // The reporter a crash of the window starts; it is not watched itself.
  if (argc >= 2 && std::strcmp(argv[1], "--crash-report") == 0) {
    if (argc != 3) return app::kExitUsage;
    if (!HaveDisplay()) {
      std::fprintf(stderr, "flipframe: 没有可用的显示，崩溃报告在 %s\n", argv[2]);
      return app::kExitFailed;
    }
    QApplication app(argc, argv);
    app::InstallChineseQtTranslations(app);
    return app::ShowCrashReport(QFile::decodeName(argv[2]));
  }
  const std::string crashFolder = presets::CrashFolderFor(presets::CurrentSettingsPlaceInputs());
  crash::Install({crashFolder, "flipframe " FLIPFRAME_VERSION});
  // Tests only, not in --help: "--crash-test segv|abort|exception [window]".
  if ((argc == 3 || argc == 4) && std::strcmp(argv[1], "--crash-test") == 0) {
    if (argc == 4 && std::strcmp(argv[3], "window") == 0) crash::SetShowing(crash::Showing::Reporter);
    crash::CrashOnPurpose(argv[2]);
    return app::kExitUsage;
  }
  if (argc >= 2 && std::strcmp(argv[1], "--probe") == 0) {
    if (argc != 3) {
      std::fprintf(stderr, "用法：flipframe --probe FILE\n");
      return app::kExitUsage;
    }
    // Relative paths are taken against the current folder here, once.
    return probe::RunProbeCommand(*argv[2] ? plat::AbsolutePath(argv[2]) : std::string());
  }
  if (argc >= 2 && std::strcmp(argv[1], "convert") == 0)
    return app::RunConvertCommand(std::vector<std::string>(argv + 2, argv + argc));
  if (argc >= 2 && std::strcmp(argv[1], "run") == 0)
    return app::RunRunCommand(std::vector<std::string>(argv + 2, argv + argc));
  if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::fputs(app::HelpText(), stdout);
    return app::kExitOk;
  }
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::fputs(app::VersionText(), stdout);
    return app::kExitOk;
  }
  // Files come from a desktop's "Open with" (Exec=flipframe %F); an unknown option is an error.
  if (argc >= 2 && argv[1][0] == '-') {
    std::fprintf(stderr, "flipframe: 未知的选项 %s（见 flipframe --help）\n", argv[1]);
    return app::kExitUsage;
  }
  if (!HaveDisplay()) {
    std::fprintf(
        stderr, "flipframe: 找不到显示器（DISPLAY 未设置，或它的 X 服务器没有应答）；请在桌面会话中启动。\n");
    return app::kExitFailed;
  }
  crash::SetShowing(crash::Showing::Reporter);
  QApplication app(argc, argv);
  app::InstallChineseQtTranslations(app);
  MainWindow window;
  window.show();
  app::OfferUnshownCrashReport(&window, crashFolder);
  // Task lists (LIST.json) are loaded, other files and folders added as tasks.
  QStringList paths;
  // Relative paths are taken against the current folder here, once ("../clip.mp4" included).
  for (int i = 1; i < argc; ++i) paths << QFile::decodeName(plat::AbsolutePath(argv[i]).c_str());
  if (!paths.isEmpty()) QTimer::singleShot(0, &window, [&window, paths] { window.OpenArguments(paths); });
  return app.exec();
}
