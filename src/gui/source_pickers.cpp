// The four source pickers (foreground, background, animation, audio), the reload button and
// the probe jobs behind them. A probe runs the converter on a worker thread that never touches
// the window; the window stays responsive meanwhile and handles the outcome when it ends.
#include <QCheckBox>
#include <QComboBox>
#include <QEventLoop>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTimer>

#include <utility>
#include <vector>

#include "gui/batch_view.h"
#include "gui/main_window.h"
#include "gui/task_editor.h"
#include "gui/task_list_controller.h"
#include "gui/task_list_model.h"
#include "gui/widgets.h"
#include "platform/platform.h"
#include "probe/converter.h"
#include "probe/path_check.h"
#include "probe/probe_file.h"
#include "store/file_names.h"
#include "store/utf8.h"
#include "text/bytes.h"
#include "ui_main_window.h"

namespace {

struct KindTexts {
  const char* dialogTitle;
  const char* dialogFilter;  // in the toolkit's form; "" shows every file
};

const KindTexts& TextsOf(SourceKind kind) {
  static const KindTexts kTexts[] = {
      {"打开前景视频，必须为常规格式的视频文件", ""},
      {"打开背景视频，可使用视频或GIF动画文件，留空时使用前景文件自动生成背景虚化视频，推荐留空", ""},
      // "动画文件（*.gif）|*.gif": description, then the pattern in brackets.
      {"打开动画文件，建议使用无缝循环内容的动画文件", "动画文件（*.gif） (*.gif)"},
      {"打开音频文件，可使用音频或带有音频的媒体文件", ""},
  };
  return kTexts[kind - 1];
}

QString FromUtf8(const char* s) { return QString::fromUtf8(s); }
using app::FromUtf8;

QLabel* PathBoxOf(Ui::MainWindow& ui, SourceKind kind) {
  switch (kind) {
    case kForeground:
      return ui.前景框;
    case kBackground:
      return ui.背景框;
    case kAnimation:
      return ui.动画框;
    default:
      return ui.音乐框;
  }
}

QString EmptyPathText(SourceKind kind) {
  return kind == kBackground ? FromUtf8(pipeline::kBackgroundPlaceholder) : QString();
}

// ---- result handling, on the window's thread ------------------------------------------

QString SizeText(int width, int height) { return QString::number(width) + ":" + QString::number(height); }

// Everything a finished probe job changes, in order; a probe without a verdict changes
// nothing of its kind. The audio rule runs in every case. An accepted source's facts are
// shown in the two labels of the button bar.
void HandleProbeOutcome(TaskEditor& w, Ui::MainWindow& ui, SourceKind kind, const std::string& path,
                        const probe::ProbeOutcome& out) {
  pipeline::SettingsArea area = w.ReadSettingsArea();
  pipeline::HandleProbe(area, w.current, kind, path, out);
  w.ShowSettingsArea(area);
  if (out.status != probe::ProbeStatus::Parsed || !task::AcceptsProbe(kind, out.info.kind, out.info.duration))
    return;
  const task::TaskRecord& r = w.current;
  switch (kind) {
    case kForeground:
      ui.处理进度->setText(SizeText(out.info.width, out.info.height));
      ui.处理时间->setText(FromUtf8(out.info.duration));
      break;
    case kBackground:
      ui.处理进度->setText(SizeText(r.backgroundWidth, r.backgroundHeight));
      ui.处理时间->setText(FromUtf8(r.backgroundDuration));
      break;
    case kAnimation:
      ui.处理进度->setText(SizeText(r.animationWidth, r.animationHeight));
      ui.处理时间->setText(FromUtf8(r.animationDuration));
      break;
    case kAudio:
      ui.处理时间->setText(FromUtf8(r.audioDuration));
      break;
  }
}

// The buttons that could start or undo a probe, and 保存任务: disabled while a probe runs,
// then given back the enabled state each had before.
class SourceButtonsLock {
 public:
  explicit SourceButtonsLock(Ui::MainWindow& ui) {
    for (QPushButton* b : {ui.前景按钮, ui.重载, ui.背景按钮, ui.清空背景, ui.动画按钮, ui.清空动画,
                           ui.音乐按钮, ui.清空音乐, ui.保存任务}) {
      saved_.emplace_back(b, gui::OwnEnabled(b));
      b->setEnabled(false);
    }
  }
  ~SourceButtonsLock() {
    for (auto& [button, enabled] : saved_) button->setEnabled(enabled);
  }

 private:
  std::vector<std::pair<QPushButton*, bool>> saved_;
};

}  // namespace

void TaskEditor::PickSource(SourceKind kind) {
  if (probeBusy) return;
  QLabel* box = PathBoxOf(*ui, kind);
  const std::string named = app::FileSystemPath(box->text());
  std::string folder;
  if (plat::FileExists(named)) {
    folder = plat::FolderOf(named);
  } else {
    box->setText(EmptyPathText(kind));
    folder = lastFolder[size_t(kind)];
  }
  const KindTexts& t = TextsOf(kind);
  std::optional<QString> chosen =
      dialogs().OpenFile(&window, FromUtf8(t.dialogTitle), FromUtf8(folder), FromUtf8(t.dialogFilter));
  if (!chosen) return;  // the box keeps what was set above
  ProbeRequest(*chosen, kind);
}

void TaskEditor::ReloadForeground() {
  if (probeBusy) return;
  const QString named = ui->前景框->text();
  if (plat::FileExists(app::FileSystemPath(named))) {
    ProbeRequest(named, kForeground);
    return;
  }
  ResetForeground();
  PickSource(kForeground);
}

void TaskEditor::ProbeRequest(const QString& picked, SourceKind kind) {
  if (probeBusy) return;  // one probe at a time: they share the record and the flag
  // The file system's bytes, not UTF-8 of the text: a name need not be UTF-8.
  const std::string path = app::FileSystemPath(picked);
  if (const char* problem = probe::ProbeRequestProblem(path); *problem) {
    dialogs().ShowError(&window, FromUtf8(problem));
    return;
  }
  if (probe::ConverterPath().empty()) {
    dialogs().ShowError(&window, FromUtf8(probe::MissingConverterMessage()));
    return;
  }

  probeBusy = true;
  {
    SourceButtonsLock lock(*ui);
    lastFolder[size_t(kind)] = plat::FolderOf(path);
    probe::ProbeOutcome out;
    gui::ResponsiveRun([&out, &path] { out = probe::ProbeFile(path); });
    HandleProbeOutcome(*this, *ui, kind, path, out);
    probeBusy = false;
  }

  if (!editingStored) ui->保存任务->setEnabled(true);
  switch (kind) {
    case kForeground:
      if (current.foregroundKind == task::kKindGif)
        ShowGifPreview(ui->前景框->text(), current.foregroundWidth, current.foregroundHeight);
      break;
    case kBackground:
      if (current.backgroundKind == task::kKindGif)
        ShowGifPreview(ui->背景框->text(), current.backgroundWidth, current.backgroundHeight);
      break;
    case kAnimation:
      if (current.animationKind == task::kKindGif)
        ShowGifPreview(ui->动画框->text(), current.animationWidth, current.animationHeight);
      break;
    case kAudio:
      break;
  }
}

void TaskEditor::ResetForeground() {
  pipeline::SettingsArea area = ReadSettingsArea();
  pipeline::ResetForeground(area, current);
  ShowSettingsArea(area);
}
