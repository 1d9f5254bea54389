// Tasks from a list file are data: every field that reaches the converter is checked, and
// what runs is built from the fields and the local effect filters, never the stored text.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "pipeline/stored_task.h"
#include "probe/converter.h"
#include "support/task_helpers.h"

namespace ts = testing_support;
using pipeline::StoredCommand;

namespace {

const std::string kClip = "/videos/clip.mp4";

task::TaskRecord Stored() {
  task::TaskRecord r = ts::TurnedTask(kClip, 320, 180, 2);
  r.ticks[task::kTickColourShift] = 1;
  return r;
}

// Nothing on disk is touched: the clip is there, its result folder empty, no folder is made.
task::BuildEnvironment Paper(const pipeline::EffectFilters& filters) {
  return {filters, [](const std::string& p) { return p == kClip; }, nullptr};
}

std::string Built(task::TaskRecord r, const pipeline::EffectFilters& filters) {
  return task::BuildCommand(r, task::BuildMode::Full, Paper(filters)).text;
}

}  // namespace

TEST(StoredTask, ChecksEveryFieldThatReachesTheCommand) {
  ASSERT_EQ(pipeline::StoredTaskProblem(Stored()), "");
  const struct {
    const char* name;
    std::function<void(task::TaskRecord&)> change;
    std::string problem;
  } cases[] = {
      {"option as foreground", [](auto& r) { r.foregroundPath = "\"-y\""; },
       "前景文件“-y”不是文件的绝对路径"},
      {"unquoted", [](auto& r) { r.foregroundPath = "/videos/a.mp4"; },
       "前景文件“/videos/a.mp4”不在双引号之间"},
      {"protocol", [](auto& r) { r.backgroundPath = "\"http://host/x.mp4\""; },
       "背景文件“http://host/x.mp4”不是"},
      {"line break", [](auto& r) { r.audioPath = "\"/m/a\nb.m4a\""; }, "含有控制字符"},
      {"quote inside", [](auto& r) { r.animationPath = "\"/g/a\" -y \"/x.gif\""; }, "含有保留字符或特殊字符"},
      {"format with words", [](auto& r) { r.outputFormat = ".mp4\" -f data -y \"/tmp/x"; },
       "输出格式“.mp4\""},
      {"format leaving result/", [](auto& r) { r.outputFormat = ".mp4/../../x"; }, "不是文件扩展名"},
      {"result elsewhere", [](auto& r) { r.finalOutputPath = "/home/u/.bashrc"; },
       "不在前景文件旁的 result 文件夹中"},
      {"result below result/", [](auto& r) { r.finalOutputPath = "/videos/result/x/a.mp4"; }, "输出文件"},
      {"duration with words", [](auto& r) { r.outputDuration = "00:00:02 -f data"; },
       "视频时长“00:00:02 -f data”"},
      {"bitrate with words",
       [](auto& r) {
         r.ticks[task::kTickAutoBitrate] = 0;
         r.bitrate = "900 -y /x";
       },
       "码率“900 -y /x”不是数字"},
      {"frame rate with a filter", [](auto& r) { r.foregroundFps = "25,movie=/etc/passwd"; }, "前景帧率"},
      {"blend mode past the table", [](auto& r) { r.blendModeIndex = 28; }, "动画滤镜（28）不在0到27之间"},
      {"huge output", [](auto& r) { r.outputWidth = 20000; }, "输出宽度（20000）"},
      {"copies past the list", [](auto& r) { r.selectedForegroundCount = 500; }, "前景计数（500）"},
      {"switch of 2", [](auto& r) { r.ticks[task::kTickMirror] = 2; }, "开关状态"},
      {"follow without a picture",
       [](auto& r) {
         r.layout.kind = task::LayoutKind::Follow;
         r.foregroundWidth = 0;
       },
       "智能跟随需要前景的画面尺寸，而前景宽度和高度为 0×180"},
      {"follow in copies",
       [](auto& r) {
         r.layout.kind = task::LayoutKind::Follow;
         r.selectedForegroundCount = 2;
       },
       "前景计数须为 1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    task::TaskRecord r = Stored();
    c.change(r);
    EXPECT_TRUE(ts::Has(pipeline::StoredTaskProblem(r), c.problem));
  }
  // A bitrate that does not reach the command (automatic bitrate) is not looked at.
  task::TaskRecord automatic = Stored();
  automatic.bitrate = "N/A";
  EXPECT_EQ(pipeline::StoredTaskProblem(automatic), "");
}

TEST(StoredTask, RunsTheBuiltCommandAndNamesWhatTheStoredOneCarried) {
  const pipeline::EffectFilters local = ts::BuiltInEffects();
  pipeline::EffectFilters writing = local;
  writing[2] = "metadata=mode=print:file=/home/u/leak.txt";

  task::TaskRecord same = Stored(), otherEffects = Stored(), hostile = Stored();
  same.commandLine = Built(same, local);
  otherEffects.commandLine = Built(otherEffects, writing);
  hostile.commandLine = "-i \"" + kClip + "\" -map 0 -f data -y \"/home/u/.bashrc\"";
  // The output name depends on the files there when it was built: not a difference.
  same.commandLine.replace(same.commandLine.find("clip_tmp.mp4"), 12, "clip_tmp_1.mp4");

  const std::vector<std::string> expected = probe::SplitArguments(Built(Stored(), local));
  for (const task::TaskRecord* r : {&same, &otherEffects, &hostile}) {
    const std::vector<std::string> words = pipeline::RunWords(*r, Paper(local));
    EXPECT_EQ(words, expected);
    EXPECT_EQ(words.back(), "/videos/result/clip_tmp.mp4");
  }
  const std::vector<StoredCommand> compared = {pipeline::CompareStoredCommand(same, local),
                                               pipeline::CompareStoredCommand(otherEffects, local),
                                               pipeline::CompareStoredCommand(hostile, local)};
  EXPECT_EQ(compared, (std::vector<StoredCommand>{StoredCommand::Same, StoredCommand::OtherEffects,
                                                  StoredCommand::Differs}));
  EXPECT_EQ(pipeline::StoredCommandNotice("/l.json", compared),
            "任务列表文件“/l.json”：第2个任务带有与本机 de.ini 不同的特效滤镜，改用本机的特效滤镜；"
            "第3个任务保存的转换命令与其设置不符，改用按其设置生成的命令。");
  EXPECT_EQ(pipeline::StoredCommandNotice("/l.json", {StoredCommand::Same}), "");
}
