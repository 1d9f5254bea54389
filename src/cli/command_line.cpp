#include "cli/command_line.h"

namespace app {

const char* HelpText() {
  return "用法：flipframe [FILE... | LIST.json]\n"
         "      flipframe --probe FILE\n"
         "      flipframe convert [OPTIONS] FILE...\n"
         "      flipframe run [--task K | --count] LIST.json\n"
         "\n"
         "用 ffmpeg 把视频文件成批地在横屏与竖屏布局之间互转。\n"
         "\n"
         "  （无命令）       打开窗口；给出的每个视频 FILE（文件夹会逐层查找，例如来自文件管理器的\n"
         "                   “打开方式”）按窗口的设置成为一个任务，保存的任务列表 LIST.json 则被载入\n"
         "  --probe FILE     打印 flipframe 从 FILE 读到的信息（类型、尺寸、时长、帧率、码率、扩展名）\n"
         "                   后退出；不需要显示器\n"
         "  convert          不开窗口转换 FILE（选项见 flipframe convert --help）\n"
         "  run LIST.json    不开窗口执行保存的任务列表中未完成的任务\n"
         "                   （见 flipframe run --help；列表由 convert --save-list 生成）\n"
         "  --help           显示本说明后退出\n"
         "  --version        显示版本后退出\n"
         "\n"
         "转换程序是程序旁边的 ffmpeg，没有时用 PATH 中的。特效预设保存在程序旁边的 de.ini 中，\n"
         "安装后运行时保存在 $XDG_CONFIG_HOME/flipframe（~/.config/flipframe）中。\n";
}

const char* VersionText() { return "flipframe " FLIPFRAME_VERSION "\n"; }

}  // namespace app
