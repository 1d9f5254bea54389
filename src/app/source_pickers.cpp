// The four source pickers (foreground, background, animation, audio), the reload button and
// the probe jobs behind them. A probe runs the converter on a worker thread; the worker never
// touches the window: it hands the whole result handling to the window's thread in one queued
// call, whose last act lowers probeBusy and so ends the picker's responsive wait.
#include <QCheckBox>
#include <QComboBox>
#include <QEventLoop>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTimer>

#include <thread>
#include <utility>
#include <vector>

#include "app/file_names.h"
#include "app/main_window.h"
#include "platform/platform.h"
#include "probe/converter.h"
#include "probe/probe_file.h"
#include "text/bytes.h"

namespace {

constexpr int kProbeWaitMs = 500;
constexpr size_t kPathLimit = 256;  // bytes; a path this long or longer is refused

const char* const kEmptyFileMessage = "该文件为空文件或被占用，无法读取。";
const char* const kPathTooLongMessage = "文件因路径过长，无法使用，请加以修改重新尝试。";
const char* const kReservedCharacterMessage = "文件因含有保留字符或特殊字符，无法使用，请加以修改重新尝试。";
const char* const kAddCaption = "添加任务";

struct KindTexts {
  const char* dialogTitle;
  const char* dialogFilter;  // in the toolkit's form; "" shows every file
  const char* failure;       // written into the path box when the file is refused
};

const KindTexts& TextsOf(SourceKind kind) {
  static const KindTexts kTexts[] = {
      {"打开前景视频，必须为常规格式的视频文件", "", "必须为有效视频文件"},
      {"打开背景视频，可使用视频或GIF动画文件，留空时使用前景文件自动生成背景虚化视频，推荐留空", "",
       "必须为有效视频或图片文件"},
      // "动画文件（*.gif）|*.gif": description, then the pattern in brackets.
      {"打开动画文件，建议使用无缝循环内容的动画文件", "动画文件（*.gif） (*.gif)", "必须为有效gif动画文件"},
      {"打开音频文件，可使用音频或带有音频的媒体文件", "", "必须为有效有声文件"},
  };
  return kTexts[kind - 1];
}

QString Utf8(const char* s) { return QString::fromUtf8(s); }
QString Utf8(const std::string& s) { return QString::fromStdString(s); }

QLabel* PathBoxOf(MainWindow& w, SourceKind kind) {
  switch (kind) {
    case kForeground:
      return w.前景框;
    case kBackground:
      return w.背景框;
    case kAnimation:
      return w.动画框;
    default:
      return w.音乐框;
  }
}

QString EmptyPathText(SourceKind kind) {
  return kind == kBackground ? Utf8(MainWindow::kBackgroundPlaceholder) : QString();
}

// The path check: the message that refuses `path`, or "" when it may be probed. The length
// decides the message even when a forbidden text is present too.
const char* PathProblem(const std::string& path) {
  if (path.size() >= kPathLimit) return kPathTooLongMessage;
  // A "?" stands where the file name had a character the converter's side cannot show, and
  // every path enters a command between double quotes.
  for (const char* forbidden : {"?", "error", "\""})
    if (text::Find(path, forbidden) != -1) return kReservedCharacterMessage;
  // The converter echoes the path into the text searched for failure words: a path holding
  // one of them would make every file in it look broken, so refuse it here with a clear
  // message. "invalid" is a failure word in any letter case.
  if (text::Find(path, "invalid", 1, text::Case::Ignore) != -1) return kReservedCharacterMessage;
  for (const char* failureWord : {"failed!", "errer", " pal8,"})
    if (text::Find(path, failureWord) != -1) return kReservedCharacterMessage;
  return "";
}

// ---- result handling, on the window's thread ------------------------------------------

QString SizeText(int width, int height) { return QString::number(width) + ":" + QString::number(height); }

// Clears the kind and leaves its failure text in the path box.
void RefuseSource(MainWindow& w, SourceKind kind) {
  switch (kind) {
    case kForeground:
      w.ResetForeground();
      break;
    case kBackground:
      w.ClearBackground();
      break;
    case kAnimation:
      w.ClearAnimation();
      break;
    case kAudio:
      w.ClearAudio();
      break;
  }
  PathBoxOf(w, kind)->setText(Utf8(TextsOf(kind).failure));
}

void TakeForeground(MainWindow& w, const std::string& path, const probe::MediaInfo& m) {
  task::TaskRecord& r = w.current;
  r.foregroundDuration = m.duration;
  if (r.backgroundDuration.empty()) r.backgroundDuration = m.duration;
  r.foregroundKind = m.kind;
  r.foregroundWidth = m.width;
  r.foregroundHeight = m.height;
  if (m.kind < 3 || text::Left(m.duration, 8) == "00:00:00") {
    RefuseSource(w, kForeground);
    return;
  }
  w.前景框->setText(Utf8(path));
  r.foregroundPath = task::Quote(path);
  if (m.kind == 5) {
    w.静音->setChecked(false);
    w.前景音->setChecked(true);
    w.前景音->setEnabled(true);
  } else {
    w.前景音->setChecked(false);
    w.前景音->setEnabled(false);
  }
  for (QWidget* c :
       std::initializer_list<QWidget*>{w.降噪, w.柔化, w.前景镜像, w.操作框, w.重帧优化, w.背景模糊,
                                       w.上下跃动, w.左右跃动, w.迷幻, w.分量色变, w.视频淡入, w.视频淡出})
    c->setEnabled(true);
  if (text::SecondsOfDuration(m.duration) <= 4) {  // too short to fade in and out
    w.视频淡入->setEnabled(false);
    w.视频淡出->setEnabled(false);
  }
  w.时长框->setText(Utf8(text::Left(m.duration, 8)));
  r.foregroundBitrate = m.bitrate;
  w.码率框->setText(Utf8(m.bitrate));
  r.foregroundFps = m.frameRate;
  r.foregroundExtension = m.extension;
  w.格式框->setText(Utf8(m.extension));

  if (m.height > m.width) {  // portrait: a landscape output of the same height
    w.ActivateHeightBox();
    w.宽高比例->setCurrentIndex(0);  // " 竖->横 [16:9]"
    r.suggestedHeight = m.height;
    w.高度框->setText(QString::number(m.height));
    r.suggestedWidth = w.RatioDimension(m.height);
    w.宽度框->setText(QString::number(r.suggestedWidth));
  } else {  // landscape or square: a portrait output of the same width
    w.ActivateWidthBox();
    w.宽高比例->setCurrentIndex(7);  // " 横->竖 [9:16]"
    r.suggestedWidth = m.width;
    w.宽度框->setText(QString::number(m.width));
    r.suggestedHeight = w.RatioDimension(m.width);
    w.高度框->setText(QString::number(r.suggestedHeight));
  }
  r.foregroundCountMax = w.UpdateForegroundCount(r.suggestedWidth, r.suggestedHeight);
  w.storedCount = r.foregroundCountMax;
  r.selectedForegroundCount = w.前景计数->currentIndex();
  w.处理进度->setText(SizeText(m.width, m.height));
  w.处理时间->setText(Utf8(m.duration));
}

void TakeBackground(MainWindow& w, const std::string& path, const probe::MediaInfo& m) {
  task::TaskRecord& r = w.current;
  r.backgroundDuration = m.duration;
  r.backgroundKind = m.kind;
  r.backgroundWidth = m.width;
  r.backgroundHeight = m.height;
  if (m.kind == 0 || m.kind == 2) {
    RefuseSource(w, kBackground);
    return;
  }
  w.背景框->setText(Utf8(path));
  r.backgroundPath = task::Quote(path);
  r.backgroundFps = m.frameRate;
  w.背景模糊->setValue(5);
  if (m.kind == 5) {
    if (!w.前景音->isChecked() && !w.音乐->isChecked()) {
      w.静音->setChecked(false);
      w.背景音->setChecked(true);
    }
    w.背景音->setEnabled(true);
  } else {
    w.背景音->setChecked(false);
    w.背景音->setEnabled(false);
  }
  w.处理进度->setText(SizeText(r.backgroundWidth, r.backgroundHeight));
  w.处理时间->setText(Utf8(r.backgroundDuration));
}

void TakeAnimation(MainWindow& w, const std::string& path, const probe::MediaInfo& m) {
  task::TaskRecord& r = w.current;
  r.animationDuration = m.duration;
  r.animationKind = m.kind;
  r.animationWidth = m.width;
  r.animationHeight = m.height;
  if (m.kind != 4) {
    RefuseSource(w, kAnimation);
    return;
  }
  w.动画框->setText(Utf8(path));
  r.animationPath = task::Quote(path);
  w.动画模糊->setEnabled(true);
  w.动画透明->setEnabled(true);
  w.动画滤镜->setEnabled(true);
  r.animationFps = m.frameRate;
  w.动画透明->setValue(4);
  w.动画模糊->setValue(5);
  w.动画滤镜->setCurrentIndex(0);  // "overlay"
  w.处理进度->setText(SizeText(r.animationWidth, r.animationHeight));
  w.处理时间->setText(Utf8(r.animationDuration));
}

void TakeAudio(MainWindow& w, const std::string& path, const probe::MediaInfo& m) {
  task::TaskRecord& r = w.current;
  r.audioDuration = m.duration;
  r.audioKind = m.kind;  // width and height mean nothing for a sound
  if (m.kind != 2 && m.kind != 5) {
    RefuseSource(w, kAudio);
    return;
  }
  r.audioPath = task::Quote(path);
  w.音乐框->setText(Utf8(path));
  w.静音->setChecked(false);
  w.音乐->setChecked(true);
  w.音乐->setEnabled(true);
  w.处理时间->setText(Utf8(r.audioDuration));
}

// Everything a finished probe job changes, in order; a probe without a verdict changes
// nothing of its kind. The audio rule runs in every case.
void HandleProbeOutcome(MainWindow& w, SourceKind kind, const std::string& path,
                        const probe::ProbeOutcome& out) {
  if (out.status == probe::ProbeStatus::Failed) {
    RefuseSource(w, kind);
  } else if (out.status == probe::ProbeStatus::Parsed) {
    switch (kind) {
      case kForeground:
        TakeForeground(w, path, out.info);
        break;
      case kBackground:
        TakeBackground(w, path, out.info);
        break;
      case kAnimation:
        TakeAnimation(w, path, out.info);
        break;
      case kAudio:
        TakeAudio(w, path, out.info);
        break;
    }
  }
  w.ApplyAudioRule();
}

// The buttons that could start or undo a probe, and 保存任务: disabled while a probe runs,
// then given back the enabled state each had before.
class SourceButtonsLock {
 public:
  explicit SourceButtonsLock(MainWindow& w) {
    for (QPushButton* b : {w.前景按钮, w.重载, w.背景按钮, w.清空背景, w.动画按钮, w.清空动画, w.音乐按钮,
                           w.清空音乐, w.保存任务}) {
      saved_.emplace_back(b, MainWindow::OwnEnabled(b));
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

void MainWindow::PickSource(SourceKind kind) {
  if (probeBusy) return;
  QLabel* box = PathBoxOf(*this, kind);
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
      dialogs().OpenFile(this, Utf8(t.dialogTitle), Utf8(folder), Utf8(t.dialogFilter));
  if (!chosen) return;  // the box keeps what was set above
  ProbeRequest(*chosen, kind);
}

void MainWindow::ReloadForeground() {
  if (probeBusy) return;
  const QString named = 前景框->text();
  if (plat::FileExists(app::FileSystemPath(named))) {
    ProbeRequest(named, kForeground);
    return;
  }
  ResetForeground();
  PickSource(kForeground);
}

void MainWindow::ProbeRequest(const QString& picked, SourceKind kind) {
  if (probeBusy) return;  // one probe at a time: they share the record and the flag
  // The file system's bytes, not UTF-8 of the text: a name need not be UTF-8.
  const std::string path = app::FileSystemPath(picked);
  // A folder, a pipe or a device is no file that can be read either.
  if (!plat::IsReadableFile(path) || plat::FileSize(path) <= 0) {
    dialogs().ShowError(this, Utf8(kEmptyFileMessage));
    return;
  }
  if (const char* problem = PathProblem(path); *problem) {
    dialogs().ShowError(this, Utf8(problem));
    return;
  }
  if (probe::ConverterPath().empty()) {
    dialogs().ShowError(this, Utf8(probe::MissingConverterMessage()));
    return;
  }

  probeBusy = 1;
  {
    SourceButtonsLock lock(*this);
    std::thread worker([this, path, kind] {
      probe::ProbeOutcome out = probe::ProbeFile(path);
      // The window outlives the worker: ProbeRequest joins it before returning.
      QMetaObject::invokeMethod(
          this,
          [this, path, kind, out] {
            HandleProbeOutcome(*this, kind, path, out);
            probeBusy = 0;  // the last update of the job
            WakeWorkerWait();
          },
          Qt::QueuedConnection);
    });
    lastFolder[size_t(kind)] = plat::FolderOf(path);
    while (probeBusy) WaitForWorkerUpdate(kProbeWaitMs);
    worker.join();
  }

  if (保存任务->text() == Utf8(kAddCaption)) 保存任务->setEnabled(true);
  switch (kind) {
    case kForeground:
      if (current.foregroundKind == 4)
        ShowGifPreview(前景框->text(), current.foregroundWidth, current.foregroundHeight);
      break;
    case kBackground:
      if (current.backgroundKind == 4)
        ShowGifPreview(背景框->text(), current.backgroundWidth, current.backgroundHeight);
      break;
    case kAnimation:
      if (current.animationKind == 4)
        ShowGifPreview(动画框->text(), current.animationWidth, current.animationHeight);
      break;
    case kAudio:
      break;
  }
}

void MainWindow::ResetForeground() {
  前景音->setChecked(false);
  current.foregroundPath.clear();
  current.foregroundDuration.clear();
  current.foregroundBitrate.clear();
  current.foregroundExtension.clear();
  前景框->clear();
  current.foregroundKind = 0;
  current.foregroundWidth = 0;
  current.foregroundHeight = 0;
  for (QWidget* c :
       std::initializer_list<QWidget*>{降噪, 柔化, 前景镜像, 视频淡入, 视频淡出, 前景音, 重帧优化, 操作框})
    c->setEnabled(false);
  ApplyAudioRule();
}
