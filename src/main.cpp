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
#include "cli/probe_cli.h"
#include "cli/run_cli.h"
#include "gui/main_window.h"
#include "gui/qt_translations.h"
#include "platform/platform.h"

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
  if (argc >= 2 && std::strcmp(argv[1], "--probe") == 0) {
    if (argc != 3) {
      std::fprintf(stderr, "usage: flipframe --probe FILE\n");
      return 2;
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
    return 0;
  }
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::fputs(app::VersionText(), stdout);
    return 0;
  }
  // Files come from a desktop's "Open with" (Exec=flipframe %F); an unknown option is an error.
  if (argc >= 2 && argv[1][0] == '-') {
    std::fprintf(stderr, "flipframe: unknown option %s (see flipframe --help)\n", argv[1]);
    return 2;
  }
  if (!HaveDisplay()) {
    std::fprintf(stderr,
                 "flipframe: no display found (DISPLAY is not set or its X server does not answer); start it "
                 "from a desktop session.\n");
    return 1;
  }
  QApplication app(argc, argv);
  app::InstallChineseQtTranslations(app);
  MainWindow window;
  window.show();
  // Task lists (LIST.json) are loaded, other files and folders added as tasks.
  QStringList paths;
  // Relative paths are taken against the current folder here, once ("../clip.mp4" included).
  for (int i = 1; i < argc; ++i) paths << QFile::decodeName(plat::AbsolutePath(argv[i]).c_str());
  if (!paths.isEmpty()) QTimer::singleShot(0, &window, [&window, paths] { window.OpenArguments(paths); });
  return app.exec();
}
