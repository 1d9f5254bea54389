// Adding many short clips: N copies of a 1 s 320x180 clip (made by the converter at run time)
// made into tasks by `flipframe convert --save-list` and by the window's batch add (its
// command-line files, offscreen). Prints the time of each and the tasks added (target: 100
// clips in at most 40 s).
#include <QApplication>
#include <QStringList>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "gui/dialogs.h"
#include "gui/main_window.h"
#include "gui/task_list_model.h"
#include "pipeline/concurrent.h"
#include "platform/platform.h"
#include "store/task_list_file.h"

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Every box answered at once: errors counted, questions answered No, no file chosen.
struct QuietDialogs : Dialogs {
  int errors = 0;
  void ShowError(QWidget*, const QString&) override { ++errors; }
  void ShowWarning(QWidget*, const QString&) override { ++errors; }
  bool AskYesNo(QWidget*, const QString&) override { return false; }
  std::optional<QString> OpenFile(QWidget*, const QString&, const QString&, const QString&) override {
    return {};
  }
  QStringList OpenFiles(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
  std::optional<QString> SaveFile(QWidget*, const QString&, const QString&, const QString&) override {
    return {};
  }
  void ShowLog(QWidget*, const QString&, const QString&) override {}
};

}  // namespace

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::atoi(argv[1]) : 100;
  char pattern[] = "/tmp/flipframe-add-bench-XXXXXX";
  if (!mkdtemp(pattern) || count < 1) return 1;
  const std::string folder = pattern;
  const std::string clip = folder + "/clip.mp4";
  if (std::system(
          ("ffmpeg -hide_banner -loglevel error -y -f lavfi -i testsrc2=size=320x180:rate=25:duration=1 "
           "-f lavfi -i sine=frequency=440:duration=1 -c:v libx264 -pix_fmt yuv420p -c:a aac -shortest '" +
           clip + "'")
              .c_str()) != 0) {
    std::fprintf(stderr, "add_bench: the converter could not make %s\n", clip.c_str());
    return 1;
  }
  std::string arguments;
  QStringList files;
  for (int i = 1; i <= count; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "/clip%03d.mp4", i);
    const std::string path = folder + "/clips" + name;
    plat::MakeDirs(folder + "/clips");
    std::system(("cp '" + clip + "' '" + path + "'").c_str());
    arguments += " '" + path + "'";
    files << QString::fromStdString(path);
  }

  // The command line.
  const std::string list = folder + "/list.json";
  auto start = Clock::now();
  const int status = std::system((std::string("'") + FLIPFRAME_BINARY + "' convert --save-list '" + list +
                                  "'" + arguments + " 2>/dev/null")
                                     .c_str());
  const double cli = SecondsSince(start);
  const size_t saved = app::LoadTaskList(list).rows.size();
  std::printf(
      "flipframe convert --save-list: %d clips (1 s, 320x180) in %.1f s, %.2f s a clip, %zu tasks, exit %d\n",
      count, cli, cli / count, saved, WEXITSTATUS(status));
  std::fflush(stdout);

  // The window: the same files as its command-line files (the batch add of drops and the menu).
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  plat::MakeDirs(folder + "/program");
  plat::SetProgramFolderForTesting(folder + "/program");
  QuietDialogs dialogs;
  MainWindow window(&dialogs);
  start = Clock::now();
  window.OpenArguments(files);
  const double gui = SecondsSince(start);
  std::printf("window batch add:              %d clips in %.1f s, %.2f s a clip, %d tasks, %d error boxes\n",
              count, gui, gui / count, int(window.taskList().size()), dialogs.errors);
  std::printf("target: %d clips in at most %.0f s (%d workers on %u cores)\n", count, 40.0 * count / 100,
              pipeline::TaskMakingWorkers(), std::thread::hardware_concurrency());
  // The machine is shared: the figures mean little under a high load.
  std::fflush(stdout);
  std::system("printf 'load average (1, 5, 15 min): '; cut -d' ' -f1-3 /proc/loadavg");
  std::system(("rm -rf '" + folder + "'").c_str());
  return 0;
}
