// flipframe: converts video files in batches between landscape and portrait layout.
#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/convert_cli.h"
#include "app/main_window.h"
#include "platform/platform.h"
#include "probe/probe_cli.h"

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
    return probe::RunProbeCommand(argv[2]);
  }
  if (argc >= 2 && std::strcmp(argv[1], "convert") == 0)
    return app::RunConvertCommand(std::vector<std::string>(argv + 2, argv + argc));
  if (argc >= 2) {
    std::fprintf(stderr, "usage: flipframe [--probe FILE | convert [OPTIONS] FILE...]\n");
    return 2;
  }
  if (!HaveDisplay()) {
    std::fprintf(stderr,
                 "flipframe: no display found (DISPLAY is not set or its X server does not answer); start it "
                 "from a desktop session.\n");
    return 1;
  }
  QApplication app(argc, argv);
  MainWindow window;
  window.show();
  return app.exec();
}
