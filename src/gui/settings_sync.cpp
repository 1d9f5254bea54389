// The window's settings area and path boxes as the plain values of pipeline::SettingsArea:
// the rules of what a probe, a clear, the ratio list and validation do to the controls are
// run on those values (the same code the command line runs) and the result is shown.
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>

#include <algorithm>

#include "gui/batch_view.h"
#include "gui/main_window.h"
#include "gui/task_editor.h"
#include "pipeline/publish.h"
#include "gui/task_list_controller.h"
#include "gui/task_list_model.h"
#include "gui/widgets.h"
#include "task/encoder_preset.h"
#include "ui_main_window.h"

namespace {

std::string Text(const QLabel* w) { return w->text().toStdString(); }
std::string Text(const QLineEdit* w) { return w->text().toStdString(); }

void SetText(QLabel* w, const std::string& s) {
  const QString t = QString::fromStdString(s);
  if (w->text() != t) w->setText(t);
}
void SetText(QLineEdit* w, const std::string& s) {
  const QString t = QString::fromStdString(s);
  if (w->text() != t) w->setText(t);
}

}  // namespace

pipeline::SettingsArea TaskEditor::ReadSettingsArea() const {
  pipeline::SettingsArea a;
  a.foregroundBox = Text(ui->前景框);
  a.backgroundBox = Text(ui->背景框);
  a.animationBox = Text(ui->动画框);
  a.audioBox = Text(ui->音乐框);
  a.widthBox = Text(ui->宽度框);
  a.heightBox = Text(ui->高度框);
  a.durationBox = Text(ui->时长框);
  a.bitrateBox = Text(ui->码率框);
  a.formatBox = Text(ui->格式框);
  a.activeBox = ActiveSizeBox();
  a.ratioIndex = ui->宽高比例->currentIndex();
  a.count = ReadCountList();
  a.storedCount = storedCount;
  a.blendModeIndex = ui->动画滤镜->currentIndex();
  a.backgroundBlur = ui->背景模糊->value();
  a.animationBlur = ui->动画模糊->value();
  a.animationOpacity = ui->动画透明->value();
  for (const SwitchControl& c : SwitchControls()) {
    if (QCheckBox* box = c.box()) a.ticks[size_t(c.tick)] = box->isChecked() ? 1 : 0;
    a.disabled[size_t(c.off)] = gui::OwnEnabled(c.control) ? 0 : 1;
  }
  a.settingsEnabled = gui::OwnEnabled(ui->操作框);
  a.fastBackground = ui->快速背景->isChecked();
  // 画面 chooses the kind; a task's own colour or crop place is kept while its kind stays.
  const auto kind = static_cast<task::LayoutKind>(std::max(0, ui->画面->currentIndex()));
  a.layout = current.layout.kind == kind ? current.layout : task::CanvasLayout{kind};
  a.encoderPreset = task::EncoderPresetOfItem(ui->编码速度->currentIndex());
  a.target = chosenTarget ? chosenTarget->settings : task::TargetSettings{};
  if (chosenTarget) a.moreOutputs = pipeline::OutputsOf(moreTargets);
  a.bandTexts = FilledBandTexts(a.foregroundBox);
  a.logo = chosenLogo;
  return a;
}

void TaskEditor::ShowSettingsArea(const pipeline::SettingsArea& a) {
  SetText(ui->前景框, a.foregroundBox);
  SetText(ui->背景框, a.backgroundBox);
  SetText(ui->动画框, a.animationBox);
  SetText(ui->音乐框, a.audioBox);
  SetText(ui->时长框, a.durationBox);
  SetText(ui->码率框, a.bitrateBox);
  SetText(ui->格式框, a.formatBox);
  // The box the size is taken from is written and activated first, as the user would.
  if (a.activeBox != ActiveSizeBox()) {
    if (a.activeBox == task::ActiveBox::Height) {
      SetText(ui->高度框, a.heightBox);
      ActivateHeightBox();
    } else if (a.activeBox == task::ActiveBox::Width) {
      SetText(ui->宽度框, a.widthBox);
      ActivateWidthBox();
    }
  }
  SetText(ui->宽度框, a.widthBox);
  SetText(ui->高度框, a.heightBox);
  if (ui->宽高比例->currentIndex() != a.ratioIndex) ui->宽高比例->setCurrentIndex(a.ratioIndex);

  if (!(a.count == ReadCountList())) ShowCountList(a.count);
  storedCount = a.storedCount;

  if (ui->动画滤镜->currentIndex() != a.blendModeIndex) ui->动画滤镜->setCurrentIndex(a.blendModeIndex);
  ui->背景模糊->setValue(a.backgroundBlur);
  ui->动画模糊->setValue(a.animationBlur);
  ui->动画透明->setValue(a.animationOpacity);
  const auto switches = SwitchControls();
  for (const SwitchControl& c : switches)
    if (QCheckBox* box = c.box()) box->setChecked(a.ticks[size_t(c.tick)] != 0);
  for (const SwitchControl& c : switches) c.control->setEnabled(a.disabled[size_t(c.off)] == 0);
  ui->操作框->setEnabled(a.settingsEnabled);
  ui->快速背景->setChecked(a.fastBackground);
  ui->画面->setCurrentIndex(static_cast<int>(a.layout.kind));
  ui->编码速度->setCurrentIndex(task::EncoderPresetItem(a.encoderPreset));
}

std::array<TaskEditor::SwitchControl, task::kOffCount> TaskEditor::SwitchControls() const {
  using namespace task;
  return {{{ui->动画滤镜, -1, kOffBlendMode},
           {ui->背景模糊, -1, kOffBackgroundBlur},
           {ui->动画模糊, -1, kOffAnimationBlur},
           {ui->动画透明, -1, kOffAnimationOpacity},
           {ui->自动码率, kTickAutoBitrate, kOffAutoBitrate},
           {ui->前景音, kTickForegroundSound, kOffForegroundSound},
           {ui->背景音, kTickBackgroundSound, kOffBackgroundSound},
           {ui->音乐, kTickMusic, kOffMusic},
           {ui->静音, kTickMute, kOffMute},
           {ui->音频淡入, kTickAudioFadeIn, kOffAudioFadeIn},
           {ui->音频淡出, kTickAudioFadeOut, kOffAudioFadeOut},
           {ui->上下跃动, kTickBounceVertical, kOffBounceVertical},
           {ui->左右跃动, kTickBounceHorizontal, kOffBounceHorizontal},
           {ui->迷幻, kTickPsychedelic, kOffPsychedelic},
           {ui->分量色变, kTickColourShift, kOffColourShift},
           {ui->降噪, kTickDenoise, kOffDenoise},
           {ui->柔化, kTickSoften, kOffSoften},
           {ui->前景镜像, kTickMirror, kOffMirror},
           {ui->视频淡入, kTickVideoFadeIn, kOffVideoFadeIn},
           {ui->视频淡出, kTickVideoFadeOut, kOffVideoFadeOut},
           {ui->重帧优化, kTickDedupFrames, kOffDedupFrames},
           {ui->码率框, -1, kOffBitrateBox}}};
}

QCheckBox* TaskEditor::SwitchControl::box() const {
  return tick >= 0 ? static_cast<QCheckBox*>(control) : nullptr;
}
