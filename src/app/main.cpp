// flipframe: converts video files in batches between landscape and portrait layout.
#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/main_window.h"
#include "probe/probe_cli.h"

namespace {

bool HaveDisplay() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    const char* v = std::getenv(name);
    if (v && *v) return true;
  }
  return false;
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
  if (argc >= 2) {
    std::fprintf(stderr, "usage: flipframe [--probe FILE]\n");
    return 2;
  }
  if (!HaveDisplay()) {
    std::fprintf(stderr, "flipframe: no display found (DISPLAY is not set); start it from a desktop session.\n");
    return 1;
  }
  QApplication app(argc, argv);
  MainWindow window;
  window.show();
  return app.exec();
}
