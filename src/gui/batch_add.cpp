// Many video files at once: files and folders dropped on the window, the menu's
// "批量添加视频…" and the command line's files. Each file becomes a task the way the command
// line makes one (pipeline::MakeTask: probe, the control rules, validation, trial run), with
// the window's settings as the template; the work runs off the window's thread while a
// progress dialog shows which file is being tried and can stop the rest.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressDialog>
#include <QSlider>

#include <algorithm>
#include <thread>

#include "store/file_names.h"
#include "gui/main_window.h"
#include "pipeline/make_task.h"
#include "platform/platform.h"
#include "probe/probe_file.h"
#include "text/bytes.h"

namespace {

constexpr int kAddWaitMs = 300;

const QString kSummaryTitle = QStringLiteral("以下文件未加入任务列表：");
const char* const kPortraitForPortraitRatio = "竖屏视频不适用所选的“横->竖”比例，已跳过。";
const char* const kLandscapeForLandscapeRatio = "横屏视频不适用所选的“竖->横”比例，已跳过。";

// Files in the order given; a folder's files (its sub-folders' too) sorted by path.
QStringList ExpandFolders(const QStringList& paths) {
  QStringList files;
  for (const QString& path : paths) {
    if (!QFileInfo(path).isDir()) {
      files << QFileInfo(path).absoluteFilePath();
      continue;
    }
    QStringList found;
    QDirIterator it(path, QDir::Files | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) found << QFileInfo(it.next()).absoluteFilePath();
    std::sort(found.begin(), found.end());
    files << found;
  }
  return files;
}

bool Ticked(const QCheckBox* box) { return box->isChecked(); }

std::string Text(const QLineEdit* box) { return box->text().toStdString(); }

std::string ExistingFile(const QLabel* box) {
  const std::string path = app::FileSystemPath(box->text());
  return !path.empty() && plat::FileExists(path) ? path : std::string();
}

// What a file becomes: a task, or the reason it was left out.
struct Verdict {
  bool ok = false;
  task::TaskRecord task;
  std::string reason;
};

// A file the wrong way round for a chosen ratio is skipped before any trial is run.
const char* OrientationProblem(const std::string& file, const pipeline::SettingsTemplate& t) {
  if (!t.ratioIndex) return "";
  const probe::ProbeOutcome probed = probe::ProbeFile(file);
  if (probed.status != probe::ProbeStatus::Parsed) return "";  // MakeTask gives the reason
  const int w = probed.info.width, h = probed.info.height;
  if (task::IsPortraitRatio(*t.ratioIndex) && h > w) return kPortraitForPortraitRatio;
  if (!task::IsPortraitRatio(*t.ratioIndex) && w > h) return kLandscapeForLandscapeRatio;
  return "";
}

Verdict MakeVideoTask(const std::string& file, const pipeline::SettingsTemplate& t,
                      const std::array<std::string, 4>& filters) {
  Verdict v;
  if (const char* problem = OrientationProblem(file, t); *problem) {
    v.reason = problem;
    return v;
  }
  pipeline::WorkerTrial trial(true);
  pipeline::MadeTask made = pipeline::MakeTask(file, t, filters, trial);
  v.ok = made.ok;
  v.task = std::move(made.task);
  v.reason = std::move(made.refusal);
  return v;
}

}  // namespace

// The settings the user set in the window. Values the window took from its own foreground
// (its size, length and format as probed) are left to each file's probe; what was typed or
// chosen over them is carried.
static pipeline::SettingsTemplate WindowTemplate(const MainWindow& w) {
  pipeline::SettingsTemplate t;
  const task::TaskRecord& fg = w.current;
  if (w.宽高比例->currentIndex() >= 0) t.ratioIndex = w.宽高比例->currentIndex();

  const task::ActiveBox box = w.ActiveSizeBox();
  if (t.ratioIndex && box != task::ActiveBox::None) {
    const bool width = box == task::ActiveBox::Width;
    const int typed = text::ToInteger(Text(width ? w.宽度框 : w.高度框));
    const task::OutputSize probed =
        task::RatioSelectionSize(*t.ratioIndex, fg.foregroundWidth, fg.foregroundHeight, w.ratioTable);
    if (typed > 0 && typed != (width ? probed.width : probed.height)) {
      t.typedSize = typed;
      t.typedBox = box;
    }
  }
  if (w.前景计数->isVisible() && w.前景计数->currentIndex() > 0) t.copies = w.前景计数->currentIndex() + 1;

  const std::string background = ExistingFile(w.背景框);
  if (background != task::Unquote(fg.foregroundPath)) t.background = background;
  t.animation = ExistingFile(w.动画框);
  t.music = ExistingFile(w.音乐框);
  t.backgroundBlur = w.背景模糊->value();
  t.animationBlur = w.动画模糊->value();
  t.animationOpacity = w.动画透明->value();
  t.blendModeIndex = w.动画滤镜->currentIndex();

  // Sound: each file keeps its own unless the user muted it or chose another source.
  const bool haveForeground = fg.foregroundWidth > 0;
  if (haveForeground && (Ticked(w.静音) || Ticked(w.背景音) || Ticked(w.音乐)))
    t.sounds = std::array<bool, 3>{Ticked(w.前景音), Ticked(w.背景音), Ticked(w.音乐)};
  t.audioFadeIn = Ticked(w.音频淡入);
  t.audioFadeOut = Ticked(w.音频淡出);
  t.videoFadeIn = Ticked(w.视频淡入);
  t.videoFadeOut = Ticked(w.视频淡出);
  t.effects = {Ticked(w.上下跃动), Ticked(w.左右跃动), Ticked(w.分量色变), Ticked(w.迷幻)};
  t.denoise = Ticked(w.降噪);
  t.soften = Ticked(w.柔化);
  t.mirror = Ticked(w.前景镜像);
  t.dedup = Ticked(w.重帧优化);
  t.fastBackground = Ticked(w.快速背景);

  if (haveForeground && !Ticked(w.自动码率) && !Text(w.码率框).empty()) t.bitrate = Text(w.码率框);
  const std::string format = Text(w.格式框), duration = Text(w.时长框);
  if (!format.empty() && format != fg.foregroundExtension) t.format = format;
  if (!duration.empty() && fg.foregroundDuration.rfind(duration, 0) != 0) t.duration = duration;
  return t;
}

void MainWindow::AddVideosFromMenu() {
  const QStringList files =
      dialogs().OpenFiles(this, QStringLiteral("批量添加视频"),
                          QString::fromStdString(lastFolder[size_t(kForeground)]), QString());
  if (files.isEmpty()) return;
  lastFolder[size_t(kForeground)] = plat::FolderOf(app::FileSystemPath(files.first()));
  AddVideoFiles(files);
}

void MainWindow::OpenArguments(const QStringList& paths) {
  QStringList videos;
  for (const QString& path : paths) {
    if (QFileInfo(path).suffix().compare(QStringLiteral("json"), Qt::CaseInsensitive) == 0)
      AppendTaskListFile(path);
    else
      videos << path;
  }
  if (!videos.isEmpty()) AddVideoFiles(videos);
}

void MainWindow::AddVideoFiles(const QStringList& paths) {
  // Our converters must not meet a batch's or a trial's, nor a probe filling the current task.
  if (BatchOrTrialUnderWay() || probeBusy) return;
  if (taskList->full()) {
    dialogs().ShowError(this, QString::fromUtf8(app::kTaskLimitMessage));
    return;
  }
  const QStringList files = ExpandFolders(paths);
  if (files.isEmpty()) return;
  const pipeline::SettingsTemplate settings = WindowTemplate(*this);
  const std::array<std::string, 4> filters = effectFilters;

  addingVideos = true;  // as during a trial run: no menu, no batch, no pick
  QFrame* const panels[] = {操作框, 路径框, 按钮框};
  bool panelEnabled[3];
  for (int p = 0; p < 3; ++p) {
    panelEnabled[p] = OwnEnabled(panels[p]);
    panels[p]->setEnabled(false);
  }
  QProgressDialog progress(QString(), QStringLiteral("取消"), 0, static_cast<int>(files.size()), this);
  progress.setWindowTitle(QStringLiteral("批量添加视频"));
  progress.setWindowModality(Qt::WindowModal);
  progress.setMinimumDuration(0);
  progress.setAutoClose(false);
  progress.setAutoReset(false);

  QStringList notAdded;
  auto leaveOut = [&notAdded](const QString& file, QString why) {
    notAdded << file + QStringLiteral("：") + why.replace(QLatin1Char('\n'), QLatin1Char(' ')).trimmed();
  };
  for (int i = 0; i < files.size() && !progress.wasCanceled(); ++i) {
    const QString& file = files[i];
    if (taskList->full()) {
      for (int k = i; k < files.size(); ++k) leaveOut(files[k], QString::fromUtf8(app::kTaskLimitMessage));
      break;
    }
    progress.setLabelText(QStringLiteral("%1/%2\n%3").arg(i + 1).arg(files.size()).arg(file));
    progress.setValue(i);

    // One file on a worker thread; its queued end wakes the responsive wait.
    std::atomic<bool> done{false};
    Verdict verdict;
    QPointer<MainWindow> self(this);
    std::thread worker([&, self, path = app::FileSystemPath(file)] {
      verdict = MakeVideoTask(path, settings, filters);
      done = true;
      QMetaObject::invokeMethod(
          self.data(), [] { WakeWorkerWait(); }, Qt::QueuedConnection);
    });
    while (!done) WaitForWorkerUpdate(kAddWaitMs);
    worker.join();

    if (verdict.ok)
      taskList->append(verdict.task);
    else
      leaveOut(file, QString::fromStdString(verdict.reason));
  }
  progress.setValue(static_cast<int>(files.size()));
  progress.close();

  ShowTaskCount();
  for (int p = 0; p < 3; ++p) panels[p]->setEnabled(panelEnabled[p]);
  addingVideos = false;
  if (!notAdded.isEmpty())
    dialogs().ShowError(this, kSummaryTitle + QStringLiteral("\n") + notAdded.join('\n'));
}
