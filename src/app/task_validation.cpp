// Reading a task from the controls, checking its output settings, and building its
// converter command from what the window shows.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>

#include "app/main_window.h"
#include "platform/platform.h"
#include "task/command_builder.h"
#include "task/validation.h"
#include "text/bytes.h"

namespace {

std::string Text(const QLabel* w) { return w->text().toStdString(); }
std::string Text(const QLineEdit* w) { return w->text().toStdString(); }
QString Q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

void MainWindow::ReadTaskFromControls(task::TaskRecord& r) {
  // 1-3. Paths, quoted as they enter the command line.
  r.foregroundPath = task::Quote(Text(前景框));
  const std::string background = Text(背景框);
  r.backgroundPath = plat::FileExists(background) ? task::Quote(background) : r.foregroundPath;
  const std::string animation = Text(动画框), audio = Text(音乐框);
  r.animationPath = plat::FileExists(animation) ? task::Quote(animation) : "";
  r.audioPath = plat::FileExists(audio) ? task::Quote(audio) : "";

  // 4-5. Output settings as typed.
  r.outputWidth = text::ToInteger(Text(宽度框));
  r.outputHeight = text::ToInteger(Text(高度框));
  // The box holds hours:minutes:seconds; when it shows the first eight characters of the
  // duration already stored (the foreground's full length, 00:00:58.37), that one is kept so
  // the output is not cut short of the foreground's end.
  const std::string duration = Text(时长框);
  if (!(duration.size() == 8 && r.outputDuration.size() > 8 && r.outputDuration.compare(0, 8, duration) == 0))
    r.outputDuration = duration;
  r.outputFormat = Text(格式框);
  r.bitrate = Text(码率框);

  // 6-7. Copies that fit (this may refill the count list), list items, sliders, switches.
  r.foregroundCountMax = UpdateForegroundCount(r.outputWidth, r.outputHeight);
  r.selectedForegroundCount = 前景计数->currentIndex();
  r.ratioIndex = 宽高比例->currentIndex();
  r.blendModeIndex = 动画滤镜->currentIndex();
  r.backgroundBlur = 背景模糊->value();
  r.animationBlur = 动画模糊->value();
  r.animationOpacity = 动画透明->value();

  const QCheckBox* const ticks[task::kTickCount] = {
      自动码率, 前景音,   背景音, 音乐, 静音,     音频淡入, 音频淡出, 上下跃动, 左右跃动,
      迷幻,     分量色变, 降噪,   柔化, 前景镜像, 视频淡入, 视频淡出, 重帧优化};
  for (int i = 0; i < task::kTickCount; ++i) r.ticks[size_t(i)] = ticks[i]->isChecked() ? 1 : 0;

  const QWidget* const controls[task::kOffCount] = {
      动画滤镜, 背景模糊, 动画模糊, 动画透明, 自动码率, 前景音, 背景音,   音乐,
      静音,     音频淡入, 音频淡出, 上下跃动, 左右跃动, 迷幻,   分量色变, 降噪,
      柔化,     前景镜像, 视频淡入, 视频淡出, 重帧优化, 码率框};
  for (int i = 0; i < task::kOffCount; ++i) r.disabled[size_t(i)] = OwnEnabled(controls[i]) ? 0 : 1;
}

bool MainWindow::ValidateTask() {
  task::ValidationInput in;
  in.widthText = Text(宽度框);
  in.heightText = Text(高度框);
  in.durationText = Text(时长框);
  in.bitrateText = Text(码率框);
  in.formatText = Text(格式框);
  in.ratioIndex = 宽高比例->currentIndex();
  in.autoBitrate = 自动码率->isChecked();
  in.foregroundWidth = current.foregroundWidth;
  in.foregroundHeight = current.foregroundHeight;
  in.foregroundDuration = current.foregroundDuration;
  in.foregroundExtension = current.foregroundExtension;
  in.foregroundBitrate = current.foregroundBitrate;

  const task::ValidationOutcome out = task::CheckOutputSettings(in);

  // Corrections stay in the boxes whatever the outcome.
  if (out.widthBox) 宽度框->setText(Q(*out.widthBox));
  if (out.heightBox) 高度框->setText(Q(*out.heightBox));
  if (out.forceAutoBitrate) {
    自动码率->setChecked(true);
    码率框->setText(Q(*out.bitrateBox));
    码率框->setEnabled(false);
  }
  if (!out.ok) {
    dialogs().ShowError(this, Q(out.message));
    return false;
  }

  if (out.durationBox) 时长框->setText(Q(*out.durationBox));
  if (out.dropVideoFades) {
    for (QCheckBox* fade : {视频淡入, 视频淡出}) {
      fade->setChecked(false);
      fade->setEnabled(false);
    }
  }
  if (out.formatBox) 格式框->setText(Q(*out.formatBox));

  current.outputWidth = out.outputWidth;
  current.outputHeight = out.outputHeight;
  current.outputDuration = out.outputDuration;
  current.outputFormat = Text(格式框);
  current.bitrate = Text(码率框);
  return true;
}

std::string MainWindow::BuildCommandFor(task::TaskRecord& r, bool trial) {
  ReadTaskFromControls(r);
  std::array<std::string, 4> filters;
  for (int e = 1; e <= 4; ++e) filters[size_t(e - 1)] = EffectFilter(e);
  const task::BuildResult built = task::BuildCommand(
      r, trial ? task::BuildMode::Trial : task::BuildMode::Full, task::DiskEnvironment(filters));
  // Show what the build changed: no background file, and the sound switches that follow.
  if (built.backgroundReplaced) {
    背景框->setText(QString::fromUtf8(kBackgroundPlaceholder));
    背景音->setChecked(false);
  }
  if (built.backgroundReplaced || built.audioRuleChanged) ApplyAudioRule();
  return built.text;
}
