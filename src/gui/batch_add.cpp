// Many video files at once: files and folders dropped on the window, the menu's
// "批量添加视频…" and the command line's files. Each file becomes a task the way the command
// line makes one (pipeline::MakeTask: probe, the control rules, validation, trial run), with
// the window's settings as the template; the work runs off the window's thread, several
// files at a time, while a progress dialog shows which file is being tried and can stop the
// rest. The tasks are added in the files' order.
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QFrame>
#include <QProgressDialog>

#include <algorithm>
#include <atomic>
#include <optional>
#include <thread>
#include <vector>

#include "gui/batch_view.h"
#include "gui/main_window.h"
#include "gui/status_note.h"
#include "gui/task_editor.h"
#include "gui/task_list_controller.h"
#include "gui/task_list_model.h"
#include "gui/widgets.h"
#include "pipeline/concurrent.h"
#include "pipeline/make_task.h"
#include "pipeline/stored_task.h"
#include "platform/platform.h"
#include "store/file_names.h"
#include "text/bytes.h"
#include "ui_main_window.h"

namespace {

constexpr int kAddWaitMs = 300;

const char* const kAlreadyListed = "已在任务列表中";
const char* const kCancelled = "已取消，未尝试";
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

// The file a path box names, "" when it names none that exists.
std::string ExistingFile(const std::string& box) {
  const std::string path = app::FileSystemPath(QString::fromStdString(box));
  return !path.empty() && plat::FileExists(path) ? path : std::string();
}

// What a file becomes: a task, or the reason it was left out.
struct Verdict {
  bool skipped = false;  // not tried: the adding was cancelled
  bool ok = false;
  task::TaskRecord task;
  std::string reason;
};

// A file the wrong way round for a chosen ratio is skipped before any trial is run; it is
// seen from the foreground's own probe.
std::string OrientationProblem(const task::TaskRecord& probed, const pipeline::SettingsTemplate& t) {
  if (!t.ratioIndex) return "";
  const int w = probed.foregroundWidth, h = probed.foregroundHeight;
  if (task::IsPortraitRatio(*t.ratioIndex) && h > w) return kPortraitForPortraitRatio;
  if (!task::IsPortraitRatio(*t.ratioIndex) && w > h) return kLandscapeForLandscapeRatio;
  return "";
}

Verdict MakeVideoTask(const std::string& file, const pipeline::SettingsTemplate& t,
                      const std::array<std::string, 4>& filters) {
  Verdict v;
  // The trials of the files tried side by side must not end one another's converters; no
  // other converter of the window runs meanwhile (a batch, a trial or a probe stops the add).
  pipeline::WorkerTrial trial(false);
  pipeline::MadeTask made = pipeline::MakeTask(
      file, t, filters, trial, [&t](const task::TaskRecord& r) { return OrientationProblem(r, t); });
  v.ok = made.ok;
  v.task = std::move(made.task);
  v.reason = std::move(made.refusal);
  return v;
}

// True when the list holds a task of the same clip that runs the same command: adding the
// file again would only make the same output twice.
bool AlreadyListed(const app::TaskListModel& list, const task::TaskRecord& made,
                   const std::array<std::string, 4>& filters) {
  const task::BuildEnvironment look{filters, [](const std::string& p) { return plat::FileExists(p); },
                                    nullptr};
  std::optional<std::vector<std::string>> words;
  for (int r = 0; r < list.size(); ++r) {
    if (list.task(r).foregroundPath != made.foregroundPath) continue;
    if (!words) words = pipeline::RunWords(made, look);
    if (pipeline::RunWords(list.task(r), look) == *words) return true;
  }
  return false;
}

}  // namespace

// The settings the user set in the window, read from the settings area as every other rule
// reads them. Values the window took from its own foreground (its size, length and format as
// probed) are left to each file's probe; what was typed or chosen over them is carried.
static pipeline::SettingsTemplate WindowTemplate(const pipeline::SettingsArea& a, const task::TaskRecord& fg,
                                                 const std::array<double, 23>& ratioTable) {
  using namespace task;
  pipeline::SettingsTemplate t;
  if (a.ratioIndex >= 0) t.ratioIndex = a.ratioIndex;

  if (t.ratioIndex && a.activeBox != ActiveBox::None) {
    const bool width = a.activeBox == ActiveBox::Width;
    const int typed = text::ToInteger(width ? a.widthBox : a.heightBox);
    const OutputSize probed =
        RatioSelectionSize(*t.ratioIndex, fg.foregroundWidth, fg.foregroundHeight, ratioTable);
    if (typed > 0 && typed != (width ? probed.width : probed.height)) {
      t.typedSize = typed;
      t.typedBox = a.activeBox;
    }
  }
  if (a.count.visible && a.count.selected > 0) t.copies = a.count.selected + 1;

  const std::string background = ExistingFile(a.backgroundBox);
  if (background != Unquote(fg.foregroundPath)) t.background = background;
  t.animation = ExistingFile(a.animationBox);
  t.music = ExistingFile(a.audioBox);
  t.backgroundBlur = a.backgroundBlur;
  t.animationBlur = a.animationBlur;
  t.animationOpacity = a.animationOpacity;
  t.blendModeIndex = a.blendModeIndex;

  // Sound: each file keeps its own unless the user muted it or chose another source.
  const bool haveForeground = fg.foregroundWidth > 0;
  if (haveForeground && (a.ticked(kTickMute) || a.ticked(kTickBackgroundSound) || a.ticked(kTickMusic)))
    t.sounds = std::array<bool, 3>{a.ticked(kTickForegroundSound), a.ticked(kTickBackgroundSound),
                                   a.ticked(kTickMusic)};
  t.audioFadeIn = a.ticked(kTickAudioFadeIn);
  t.audioFadeOut = a.ticked(kTickAudioFadeOut);
  t.videoFadeIn = a.ticked(kTickVideoFadeIn);
  t.videoFadeOut = a.ticked(kTickVideoFadeOut);
  t.effects = {a.ticked(kTickBounceVertical), a.ticked(kTickBounceHorizontal), a.ticked(kTickColourShift),
               a.ticked(kTickPsychedelic)};
  t.denoise = a.ticked(kTickDenoise);
  t.soften = a.ticked(kTickSoften);
  t.mirror = a.ticked(kTickMirror);
  t.dedup = a.ticked(kTickDedupFrames);
  t.fastBackground = a.fastBackground;
  t.layout = a.layout;
  t.encoderPreset = a.encoderPreset;

  if (haveForeground && !a.ticked(kTickAutoBitrate) && !a.bitrateBox.empty()) t.bitrate = a.bitrateBox;
  if (!a.formatBox.empty() && a.formatBox != fg.foregroundExtension) t.format = a.formatBox;
  if (!a.durationBox.empty() && fg.foregroundDuration.rfind(a.durationBox, 0) != 0)
    t.duration = a.durationBox;
  return t;
}

void TaskListController::AddVideosFromMenu() {
  const QStringList files =
      dialogs().OpenFiles(&window, QStringLiteral("批量添加视频"),
                          QString::fromStdString(editor->lastFolder[size_t(kForeground)]), QString());
  if (files.isEmpty()) return;
  editor->lastFolder[size_t(kForeground)] = plat::FolderOf(app::FileSystemPath(files.first()));
  AddVideoFiles(files);
}

void TaskListController::OpenArguments(const QStringList& paths) {
  QStringList videos;
  for (const QString& path : paths) {
    if (QFileInfo(path).suffix().compare(QStringLiteral("json"), Qt::CaseInsensitive) == 0)
      AppendTaskListFile(path);
    else
      videos << path;
  }
  if (!videos.isEmpty()) AddVideoFiles(videos);
}

void TaskListController::AddVideoFiles(const QStringList& paths) {
  // Our converters must not meet a batch's or a trial's, nor a probe filling the current task.
  if (batch->BatchOrTrialUnderWay() || editor->probeBusy) return;
  if (taskList->full()) {
    dialogs().ShowError(&window, QString::fromUtf8(app::kTaskLimitMessage));
    return;
  }
  const QStringList files = ExpandFolders(paths);
  if (files.isEmpty()) return;
  pipeline::SettingsTemplate settings =
      WindowTemplate(editor->ReadSettingsArea(), editor->current, editor->ratioTable);
  // 发布设置: a clip too long for the target is left out, named with its length.
  settings.target = editor->chosenTarget;
  if (settings.target) settings.moreTargets = editor->moreTargets;
  settings.bandTexts = editor->bandTemplate;
  settings.logo = editor->chosenLogo;
  settings.logo.path = task::Unquote(settings.logo.path);
  const int firstIndex = taskList->size() + 1;
  const std::array<std::string, 4> filters = editor->effectFilters;

  addingVideos = true;  // as during a trial run: no menu, no batch, no pick
  QFrame* const panels[] = {ui->操作框, ui->路径框, ui->按钮框};
  bool panelEnabled[3];
  for (int p = 0; p < 3; ++p) {
    panelEnabled[p] = gui::OwnEnabled(panels[p]);
    panels[p]->setEnabled(false);
  }
  QProgressDialog progress(QString(), QStringLiteral("取消"), 0, static_cast<int>(files.size()), &window);
  progress.setWindowTitle(QStringLiteral("批量添加视频"));
  progress.setWindowModality(Qt::WindowModal);
  progress.setMinimumDuration(0);
  progress.setAutoClose(false);
  progress.setAutoReset(false);

  int added = 0;
  QStringList notAdded;
  auto leaveOut = [&notAdded](const QString& file, QString why) {
    notAdded << file + QStringLiteral("：") + why.replace(QLatin1Char('\n'), QLatin1Char(' ')).trimmed();
  };

  // Several files are made at once on worker threads; each verdict comes back to this thread
  // as a queued call, which also wakes the responsive wait, and is taken in the files' order.
  const int total = static_cast<int>(files.size());
  std::vector<std::string> sources;
  for (const QString& file : files) sources.push_back(app::FileSystemPath(file));
  std::vector<std::optional<Verdict>> verdicts(files.size());  // this thread's only
  int delivered = 0;
  std::atomic<bool> cancelled{false};
  std::thread makers([&] {
    pipeline::RunConcurrently(total, pipeline::TaskMakingWorkers(), [&](int i) {
      Verdict v;
      v.skipped = cancelled;
      pipeline::SettingsTemplate numbered = settings;
      numbered.index = firstIndex + i;
      if (!v.skipped) v = MakeVideoTask(sources[size_t(i)], numbered, filters);
      QMetaObject::invokeMethod(
          this,
          [&, i, v = std::move(v)]() mutable {
            verdicts[size_t(i)] = std::move(v);
            ++delivered;
            gui::WakeWorkerWait();
          },
          Qt::QueuedConnection);
    });
  });

  int shown = -1;
  for (int next = 0; next < total;) {
    if (progress.wasCanceled()) {
      cancelled = true;
      for (int k = next; k < total; ++k) leaveOut(files[k], QString::fromUtf8(kCancelled));
      break;
    }
    if (taskList->full()) {
      for (int k = next; k < total; ++k) leaveOut(files[k], QString::fromUtf8(app::kTaskLimitMessage));
      cancelled = true;
      break;
    }
    if (shown != next) {
      progress.setLabelText(QStringLiteral("%1/%2\n%3").arg(next + 1).arg(total).arg(files[next]));
      progress.setValue(next);
      shown = next;
    }
    if (!verdicts[size_t(next)]) {
      gui::WaitForWorkerUpdate(kAddWaitMs);  // ended early by the next verdict
      continue;
    }
    // A file added once is not added again by a drop or a pick of many files; 添加任务
    // still adds a second task of it on purpose.
    const Verdict& verdict = *verdicts[size_t(next)];
    if (!verdict.ok)
      leaveOut(files[next], QString::fromStdString(verdict.reason));
    else if (AlreadyListed(*taskList, verdict.task, filters))
      leaveOut(files[next], QString::fromUtf8(kAlreadyListed));
    else if (taskList->append(verdict.task))  // the limit was checked above
      ++added;
    ++next;
  }
  // Files under way when the adding stopped are finished and dropped; the rest are not tried.
  while (delivered < total) gui::WaitForWorkerUpdate(kAddWaitMs);
  makers.join();
  progress.setValue(total);
  progress.close();

  ShowTaskCount();
  for (int p = 0; p < 3; ++p) panels[p]->setEnabled(panelEnabled[p]);
  addingVideos = false;
  // Work done in part is a warning, not an error: it counts both and names what was left out.
  const QString counts = QStringLiteral("已加入 %1 个任务，%2 个文件未加入").arg(added).arg(notAdded.size());
  if (notAdded.isEmpty())
    batch->note->Show(QStringLiteral("已加入 %1 个任务").arg(added));
  else
    dialogs().ShowWarning(&window, counts + QLatin1Char('\n') + notAdded.join(QLatin1Char('\n')));
}
