#include "cli/command_line.h"

namespace app {

const char* HelpText() {
  return "Usage: flipframe [FILE... | LIST.json]\n"
         "       flipframe --probe FILE\n"
         "       flipframe convert [OPTIONS] FILE...\n"
         "       flipframe run [--task K | --count] LIST.json\n"
         "\n"
         "Converts video files in batches between landscape and portrait layout with ffmpeg.\n"
         "\n"
         "  (no command)     open the window; each video FILE given (folders searched through, e.g.\n"
         "                   from a file manager's \"Open with\") becomes a task with the window's\n"
         "                   settings, and a saved task list LIST.json is loaded\n"
         "  --probe FILE     print what flipframe reads from FILE (kind, size, duration, frame rate,\n"
         "                   bitrate, extension) and exit; needs no display\n"
         "  convert          convert FILEs without the window (flipframe convert --help for OPTIONS)\n"
         "  run LIST.json    run the unfinished tasks of a saved task list without the window\n"
         "                   (flipframe run --help; lists come from convert --save-list)\n"
         "  --help           show this text and exit\n"
         "  --version        show the version and exit\n"
         "\n"
         "The converter is ffmpeg beside the program, else on PATH. The effect presets are kept in\n"
         "de.ini beside the program, or in $XDG_CONFIG_HOME/flipframe (~/.config/flipframe) when\n"
         "flipframe runs installed.\n";
}

const char* VersionText() { return "flipframe " FLIPFRAME_VERSION "\n"; }

}  // namespace app
