#include "store/task_list_file.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>
#include <QUuid>

#include <cmath>
#include <ctime>
#include <limits>
#include <map>

#include "pipeline/stored_task.h"
#include "platform/platform.h"
#include "store/utf8.h"
#include "text/encoding.h"

namespace app {
namespace {

using task::TaskRecord;

struct TextField {
  const char* name;
  std::string TaskRecord::*member;
};
struct NumberField {
  const char* name;
  int TaskRecord::*member;
};

const TextField kTextFields[] = {
    {"foregroundPath", &TaskRecord::foregroundPath},
    {"backgroundPath", &TaskRecord::backgroundPath},
    {"audioPath", &TaskRecord::audioPath},
    {"animationPath", &TaskRecord::animationPath},
    {"finalOutputPath", &TaskRecord::finalOutputPath},
    {"foregroundDuration", &TaskRecord::foregroundDuration},
    {"outputDuration", &TaskRecord::outputDuration},
    {"backgroundDuration", &TaskRecord::backgroundDuration},
    {"animationDuration", &TaskRecord::animationDuration},
    {"audioDuration", &TaskRecord::audioDuration},
    {"foregroundExtension", &TaskRecord::foregroundExtension},
    {"outputFormat", &TaskRecord::outputFormat},
    {"foregroundBitrate", &TaskRecord::foregroundBitrate},
    {"foregroundAudioCodec", &TaskRecord::foregroundAudioCodec},
    {"bitrate", &TaskRecord::bitrate},
    {"foregroundFps", &TaskRecord::foregroundFps},
    {"backgroundFps", &TaskRecord::backgroundFps},
    {"animationFps", &TaskRecord::animationFps},
    {"commandLine", &TaskRecord::commandLine},
    {"trialCommand", &TaskRecord::trialCommand},
};

const NumberField kNumberFields[] = {
    {"foregroundKind", &TaskRecord::foregroundKind},
    {"animationKind", &TaskRecord::animationKind},
    {"backgroundKind", &TaskRecord::backgroundKind},
    {"audioKind", &TaskRecord::audioKind},
    {"foregroundWidth", &TaskRecord::foregroundWidth},
    {"outputWidth", &TaskRecord::outputWidth},
    {"suggestedWidth", &TaskRecord::suggestedWidth},
    {"backgroundWidth", &TaskRecord::backgroundWidth},
    {"animationWidth", &TaskRecord::animationWidth},
    {"foregroundHeight", &TaskRecord::foregroundHeight},
    {"outputHeight", &TaskRecord::outputHeight},
    {"suggestedHeight", &TaskRecord::suggestedHeight},
    {"backgroundHeight", &TaskRecord::backgroundHeight},
    {"animationHeight", &TaskRecord::animationHeight},
    {"foregroundCountMax", &TaskRecord::foregroundCountMax},
    {"selectedForegroundCount", &TaskRecord::selectedForegroundCount},
    {"ratioIndex", &TaskRecord::ratioIndex},
    {"blendModeIndex", &TaskRecord::blendModeIndex},
    {"backgroundBlur", &TaskRecord::backgroundBlur},
    {"animationBlur", &TaskRecord::animationBlur},
    {"animationOpacity", &TaskRecord::animationOpacity},
};

const QString kBase64 = QStringLiteral("base64");
const QString kId = QStringLiteral("id");
const QString kClaim = QStringLiteral("claim");
const QString kFastBackground = QStringLiteral("fastBackground");
const QString kSourceStamps = QStringLiteral("sourceStamps");
const QString kLayout = QStringLiteral("layout");
const QString kEncoderPreset = QStringLiteral("encoderPreset");
const QString kTarget = QStringLiteral("target");
const QString kBandTexts = QStringLiteral("bandTexts");

// Messages fill in every part with one multi-argument arg(), so that a "%1" in a file name
// stays as it is.

QString LockFailure(const std::string& path, const std::string& why) {
  return QStringLiteral("无法锁定任务列表文件“%1”：%2。").arg(FromUtf8(path), FromUtf8(why));
}

QString WriteFailure(const std::string& path, const std::string& why) {
  return QStringLiteral("无法保存任务列表文件“%1”：%2。").arg(FromUtf8(path), FromUtf8(why));
}

QString WriteProtected(const std::string& path) {
  return QStringLiteral("任务列表文件“%1”是只读文件，不能写入（它的权限不会被改动）。").arg(FromUtf8(path));
}

int64_t Now() { return static_cast<int64_t>(std::time(nullptr)); }

// ---- values -------------------------------------------------------------------------------

QJsonValue BytesToJson(const std::string& bytes) {
  if (text::IsValidUtf8(bytes)) return FromUtf8(bytes);
  const QByteArray raw(bytes.data(), static_cast<qsizetype>(bytes.size()));
  return QJsonObject{{kBase64, QString::fromLatin1(raw.toBase64())}};
}

bool BytesFromJson(const QJsonValue& v, std::string* out) {
  if (v.isString()) {
    *out = ToUtf8(v.toString());
    return true;
  }
  const QJsonValue encoded = v.toObject().value(kBase64);
  if (!v.isObject() || !encoded.isString()) return false;
  const auto decoded =
      QByteArray::fromBase64Encoding(encoded.toString().toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
  if (!decoded) return false;
  *out = decoded.decoded.toStdString();  // raw bytes, not a text
  return true;
}

bool IntFromJson(const QJsonValue& v, int* out) {
  if (!v.isDouble()) return false;
  const double d = v.toDouble();
  if (d != std::floor(d) || d < std::numeric_limits<int>::min() || d > std::numeric_limits<int>::max())
    return false;
  *out = static_cast<int>(d);
  return true;
}

// A whole number that a JSON number holds exactly (a file size, a time in seconds).
bool Int64FromJson(const QJsonValue& v, int64_t* out) {
  constexpr double kExact = 9007199254740992.0;  // 2^53
  if (!v.isDouble()) return false;
  const double d = v.toDouble();
  if (d != std::floor(d) || d < -kExact || d > kExact) return false;
  *out = static_cast<int64_t>(d);
  return true;
}

// Each source's stamp as [size, seconds, nanoseconds], or [] when unknown.
QJsonArray StampsToJson(const std::array<task::SourceStamp, task::kStampCount>& stamps) {
  QJsonArray a;
  for (const task::SourceStamp& s : stamps) {
    QJsonArray one;
    if (s.known()) one = QJsonArray{qint64(s.size), qint64(s.seconds), qint64(s.nanoseconds)};
    a.append(one);
  }
  return a;
}

bool StampsFromJson(const QJsonValue& v, std::array<task::SourceStamp, task::kStampCount>* out) {
  const QJsonArray a = v.toArray();
  if (!v.isArray() || a.size() != task::kStampCount) return false;
  for (qsizetype i = 0; i < a.size(); ++i) {
    const QJsonArray one = a[i].toArray();
    task::SourceStamp& s = (*out)[size_t(i)];
    if (!a[i].isArray() || (one.size() != 0 && one.size() != 3)) return false;
    if (one.isEmpty()) {
      s = {};
    } else if (!Int64FromJson(one[0], &s.size) || !Int64FromJson(one[1], &s.seconds) ||
               !Int64FromJson(one[2], &s.nanoseconds) || s.size < 0) {
      return false;
    }
  }
  return true;
}

template <size_t N>
QJsonArray ArrayToJson(const std::array<int, N>& values) {
  QJsonArray a;
  for (int v : values) a.append(v);
  return a;
}

template <size_t N>
bool ArrayFromJson(const QJsonValue& v, std::array<int, N>* out) {
  const QJsonArray a = v.toArray();
  if (!v.isArray() || a.size() != static_cast<qsizetype>(N)) return false;
  for (size_t i = 0; i < N; ++i)
    if (!IntFromJson(a[static_cast<qsizetype>(i)], &(*out)[i])) return false;
  return true;
}

// The publishing target and the band texts: objects of named values, written only when set.
QJsonObject TargetToJson(const task::TargetSettings& t) {
  return {{"name", FromUtf8(t.name)},
          {"maxFps", t.maxFps},
          {"videoCodec", FromUtf8(t.videoCodec)},
          {"maxVideoKbps", t.maxVideoKbps},
          {"audioCodec", FromUtf8(t.audioCodec)},
          {"audioKbps", t.audioKbps},
          {"faststart", t.faststart}};
}

QJsonObject BandTextsToJson(const task::BandTexts& b) {
  return {{"title", FromUtf8(b.title)},   {"caption", FromUtf8(b.caption)},
          {"font", FromUtf8(b.font)},     {"size", b.size},
          {"colour", FromUtf8(b.colour)}, {"outline", FromUtf8(b.outline)}};
}

bool TextFromJson(const QJsonObject& o, const char* name, std::string* out) {
  const QJsonValue v = o.value(QLatin1String(name));
  if (!v.isString()) return false;
  *out = ToUtf8(v.toString());
  return true;
}

bool TargetFromJson(const QJsonValue& v, task::TargetSettings* t) {
  const QJsonObject o = v.toObject();
  const QJsonValue faststart = o.value(QStringLiteral("faststart"));
  if (!v.isObject() || !faststart.isBool()) return false;
  t->faststart = faststart.toBool();
  return TextFromJson(o, "name", &t->name) && TextFromJson(o, "videoCodec", &t->videoCodec) &&
         TextFromJson(o, "audioCodec", &t->audioCodec) &&
         IntFromJson(o.value(QStringLiteral("maxFps")), &t->maxFps) &&
         IntFromJson(o.value(QStringLiteral("maxVideoKbps")), &t->maxVideoKbps) &&
         IntFromJson(o.value(QStringLiteral("audioKbps")), &t->audioKbps) && t->used();
}

bool BandTextsFromJson(const QJsonValue& v, task::BandTexts* b) {
  const QJsonObject o = v.toObject();
  return v.isObject() && TextFromJson(o, "title", &b->title) && TextFromJson(o, "caption", &b->caption) &&
         TextFromJson(o, "font", &b->font) && TextFromJson(o, "colour", &b->colour) &&
         TextFromJson(o, "outline", &b->outline) && IntFromJson(o.value(QStringLiteral("size")), &b->size);
}

// ---- tasks --------------------------------------------------------------------------------

QJsonObject RowToJson(const TaskRow& row) {
  QJsonObject o;
  for (const TextField& f : kTextFields) o.insert(QLatin1String(f.name), BytesToJson(row.record.*f.member));
  for (const NumberField& f : kNumberFields) o.insert(QLatin1String(f.name), row.record.*f.member);
  o.insert(QStringLiteral("ticks"), ArrayToJson(row.record.ticks));
  o.insert(QStringLiteral("disabled"), ArrayToJson(row.record.disabled));
  o.insert(kFastBackground, row.record.fastBackground);
  o.insert(kSourceStamps, StampsToJson(row.record.sourceStamps));
  o.insert(kLayout, QString::fromStdString(task::LayoutText(row.record.layout)));
  if (!row.record.encoderPreset.empty()) o.insert(kEncoderPreset, FromUtf8(row.record.encoderPreset));
  if (row.record.target.used()) o.insert(kTarget, TargetToJson(row.record.target));
  if (row.record.bandTexts != task::BandTexts{}) o.insert(kBandTexts, BandTextsToJson(row.record.bandTexts));
  o.insert(QStringLiteral("speed"), row.speed);
  o.insert(QStringLiteral("state"), row.state);
  o.insert(kId, row.id);
  if (row.claim)
    o.insert(kClaim, QJsonObject{{QStringLiteral("host"), BytesToJson(row.claim->host)},
                                 {QStringLiteral("pid"), double(row.claim->pid)},
                                 {QStringLiteral("started"), BytesToJson(row.claim->started)},
                                 {QStringLiteral("renewed"), double(row.claim->renewed)}});
  return o;
}

// A claim that cannot be read is no claim: the task is free to be taken.
std::optional<TaskClaim> ClaimFromJson(const QJsonValue& v) {
  const QJsonObject o = v.toObject();
  TaskClaim c;
  if (!v.isObject() || !BytesFromJson(o.value(QStringLiteral("host")), &c.host) ||
      !BytesFromJson(o.value(QStringLiteral("started")), &c.started))
    return std::nullopt;
  c.pid = static_cast<int64_t>(o.value(QStringLiteral("pid")).toDouble());
  c.renewed = static_cast<int64_t>(o.value(QStringLiteral("renewed")).toDouble());
  return c;
}

// Empty on success, else the name of the first field that is missing or has a wrong value.
QString RowFromJson(const QJsonObject& o, TaskRow* row) {
  TaskRecord& r = row->record;
  for (const TextField& f : kTextFields)
    if (!BytesFromJson(o.value(QLatin1String(f.name)), &(r.*f.member))) return QLatin1String(f.name);
  for (const NumberField& f : kNumberFields)
    if (!IntFromJson(o.value(QLatin1String(f.name)), &(r.*f.member))) return QLatin1String(f.name);
  if (!ArrayFromJson(o.value(QStringLiteral("ticks")), &r.ticks)) return QStringLiteral("ticks");
  if (!ArrayFromJson(o.value(QStringLiteral("disabled")), &r.disabled)) return QStringLiteral("disabled");
  // Lists saved before the switch existed have no such field: the classic background.
  const QJsonValue fast = o.value(kFastBackground);
  if (!fast.isUndefined() && !fast.isBool()) return kFastBackground;
  r.fastBackground = fast.toBool(false);
  // Lists from before the stamps: nothing known, nothing checked when the task runs.
  const QJsonValue stamps = o.value(kSourceStamps);
  if (!stamps.isUndefined() && !StampsFromJson(stamps, &r.sourceStamps)) return kSourceStamps;
  // Lists saved before layouts existed have none: the blurred background.
  const QJsonValue layout = o.value(kLayout);
  if (!layout.isUndefined()) {
    const std::optional<task::CanvasLayout> parsed =
        layout.isString() ? task::ParseLayout(layout.toString().toStdString()) : std::nullopt;
    if (!parsed) return kLayout;
    r.layout = *parsed;
  }
  // Absent: no preset (the converter's default). The value is checked with the other fields.
  const QJsonValue preset = o.value(kEncoderPreset);
  if (!preset.isUndefined() && !preset.isString()) return kEncoderPreset;
  r.encoderPreset = ToUtf8(preset.toString());
  // Lists from before targets and band texts: none (自定义, no text). Their values are
  // checked with the other fields.
  const QJsonValue target = o.value(kTarget);
  if (!target.isUndefined() && !TargetFromJson(target, &r.target)) return kTarget;
  const QJsonValue texts = o.value(kBandTexts);
  if (!texts.isUndefined() && !BandTextsFromJson(texts, &r.bandTexts)) return kBandTexts;
  for (auto [name, text] : {std::pair{"speed", &row->speed}, std::pair{"state", &row->state}}) {
    const QJsonValue v = o.value(QLatin1String(name));
    if (!v.isString()) return QLatin1String(name);
    *text = v.toString();
  }
  // Lists from before ids keep the fresh id the row was made with.
  if (const QString id = o.value(kId).toString(); !id.isEmpty()) row->id = id;
  row->claim = ClaimFromJson(o.value(kClaim));
  return {};
}

// The first row keeps an id that occurs twice (a list loaded into the window twice); the
// others get fresh ones.
void MakeIdsUnique(std::vector<TaskRow>& rows) {
  std::set<QString> seen;
  for (TaskRow& row : rows)
    while (!seen.insert(row.id).second) row.id = NewTaskId();
}

LoadedTaskList Failure(const QString& message) { return LoadedTaskList{{}, message}; }

// Writes `rows` over `target` (the file `path` names) whole or not at all; "" or the message.
QString WriteRows(const std::string& path, const std::string& target, const std::vector<TaskRow>& rows) {
  std::string why;
  if (plat::IsWriteProtected(target)) return WriteProtected(path);
  if (!plat::WriteFileAtomically(target, SerializeTaskList(rows).toStdString(), &why))
    return WriteFailure(path, why);
  return {};
}

// Runs `change` on the list's rows under the list's lock and writes the result back, unless
// `change` clears its `write` flag. A symbolic link is followed to the file it names. When
// `replacing`, a file that is no readable list is replaced (its rows given as none).
template <typename Change>
QString LockedUpdate(const std::string& path, Change change, bool replacing = false) {
  const std::string target = plat::LinkTarget(path);
  std::string why;
  const int lock = plat::LockFile(TaskListLockPath(path), &why);
  if (lock < 0) return LockFailure(path, why);
  std::vector<TaskRow> rows;
  QString error;
  if (plat::FileExists(target)) {
    LoadedTaskList list = LoadTaskList(target);
    if (!replacing && !list.ok()) error = list.error.replace(FromUtf8(target), FromUtf8(path));
    rows = std::move(list.rows);
  }
  bool write = true;
  if (error.isEmpty()) error = change(rows, write);
  if (error.isEmpty() && write) error = WriteRows(path, target, rows);
  plat::UnlockFile(lock);
  return error;
}

TaskRow* FindTask(std::vector<TaskRow>& rows, const QString& id) {
  for (TaskRow& row : rows)
    if (row.id == id) return &row;
  return nullptr;
}

QString TaskGone(const std::string& path) {
  return QStringLiteral("任务列表文件“%1”中已没有这个任务（它在运行期间被删除了）。").arg(FromUtf8(path));
}

}  // namespace

QString NewTaskId() { return QUuid::createUuid().toString(QUuid::WithoutBraces); }

std::string TaskListLockPath(const std::string& path) {
  const std::string target = plat::LinkTarget(path);
  const size_t slash = target.rfind('/');
  const size_t name = slash == std::string::npos ? 0 : slash + 1;
  return target.substr(0, name) + "." + target.substr(name) + ".lock";
}

QByteArray SerializeTaskList(const std::vector<TaskRow>& rows) {
  QJsonArray tasks;
  for (const TaskRow& row : rows) tasks.append(RowToJson(row));
  const QJsonObject root{{QStringLiteral("format"), QLatin1String(kTaskListFormat)},
                         {QStringLiteral("version"), kTaskListVersion},
                         {QStringLiteral("tasks"), tasks}};
  return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

LoadedTaskList ParseTaskList(const QByteArray& bytes, const std::string& path) {
  const QString file = FromUtf8(path);
  QJsonParseError parseError;
  const QJsonDocument doc = QJsonDocument::fromJson(bytes, &parseError);
  if (parseError.error != QJsonParseError::NoError)
    return Failure(QStringLiteral("任务列表文件“%1”已损坏（第%2个字节处：%3）。")
                       .arg(file, QString::number(parseError.offset), parseError.errorString()));
  const QJsonObject root = doc.object();
  if (!doc.isObject() || root.value(QStringLiteral("format")).toString() != QLatin1String(kTaskListFormat))
    return Failure(QStringLiteral("文件“%1”不是任务列表。").arg(file));
  const QJsonValue version = root.value(QStringLiteral("version"));
  if (version != QJsonValue(kTaskListVersion)) {
    const QString shown = version.isDouble() ? QString::number(version.toDouble()) : QStringLiteral("无");
    return Failure(QStringLiteral("任务列表文件“%1”的版本（%2）无法识别，本程序只读得懂版本%3。")
                       .arg(file, shown, QString::number(kTaskListVersion)));
  }
  const QJsonValue tasks = root.value(QStringLiteral("tasks"));
  if (!tasks.isArray()) return Failure(QStringLiteral("任务列表文件“%1”已损坏：没有任务数组。").arg(file));

  LoadedTaskList list;
  const QJsonArray array = tasks.toArray();
  list.rows.reserve(array.size());
  for (qsizetype i = 0; i < array.size(); ++i) {
    TaskRow row;
    const QString bad = array[i].isObject() ? RowFromJson(array[i].toObject(), &row) : QStringLiteral("全部");
    if (!bad.isEmpty())
      return Failure(QStringLiteral("任务列表文件“%1”已损坏：第%2个任务缺少字段“%3”或其值无效。")
                         .arg(file, QString::number(i + 1), bad));
    // A list may come from anyone: a task whose fields could make the converter do anything
    // but this task refuses the whole list.
    if (const std::string problem = pipeline::StoredTaskProblem(row.record); !problem.empty())
      return Failure(QStringLiteral("任务列表文件“%1”的第%2个任务不能使用：%3。整个列表未载入。")
                         .arg(file, QString::number(i + 1), QString::fromStdString(problem)));
    list.rows.push_back(std::move(row));
  }
  MakeIdsUnique(list.rows);
  return list;
}

LoadedTaskList LoadTaskList(const std::string& path) {
  std::string bytes, why;  // ReadFile follows a symbolic link itself
  if (!plat::ReadFile(path, &bytes, &why))
    return Failure(QStringLiteral("无法读取任务列表文件“%1”：%2。").arg(FromUtf8(path), FromUtf8(why)));
  return ParseTaskList(QByteArray::fromStdString(bytes), path);
}

QString SaveTaskList(const std::string& path, const std::vector<TaskRow>& rows) {
  // The lock keeps a save from landing between another writer's read and write. The claims
  // of runs converting tasks of the list stay with their tasks: the caller's rows (the
  // window's) never claim anything.
  return LockedUpdate(
      path,
      [&](std::vector<TaskRow>& listed, bool&) {
        std::map<QString, TaskClaim> claims;
        for (const TaskRow& row : listed)
          if (row.claim) claims.emplace(row.id, *row.claim);
        listed = rows;
        MakeIdsUnique(listed);
        for (TaskRow& row : listed) {
          const auto held = claims.find(row.id);
          row.claim = held == claims.end() ? std::nullopt : std::optional<TaskClaim>(held->second);
        }
        return QString();
      },
      true);
}

QString ReplaceTaskList(const std::string& path, const std::vector<TaskRow>& rows) {
  const std::string target = plat::LinkTarget(path);
  std::string why;
  const int lock = plat::LockFile(TaskListLockPath(path), &why);
  if (lock < 0) return LockFailure(path, why);
  const QString error = WriteRows(path, target, rows);
  plat::UnlockFile(lock);
  return error;
}

QString AppendToTaskList(const std::string& path, const std::vector<TaskRow>& rows) {
  return LockedUpdate(path, [&](std::vector<TaskRow>& listed, bool&) {
    const int count = static_cast<int>(listed.size());
    if (!FitsTaskLimit(count, static_cast<int>(rows.size())))
      return QStringLiteral("任务列表文件“%1”已有%2个任务，再加入%3个将超过上限%4个。")
          .arg(FromUtf8(path), QString::number(count), QString::number(rows.size()),
               QString::number(kMaxTasks));
    listed.insert(listed.end(), rows.begin(), rows.end());
    MakeIdsUnique(listed);
    return QString();
  });
}

QString RecordTaskOutcome(const std::string& path, const QString& id, const TaskOutcome& outcome) {
  if (!plat::FileExists(path))
    return QStringLiteral("无法读取任务列表文件“%1”：文件不存在。").arg(FromUtf8(path));
  return LockedUpdate(path, [&](std::vector<TaskRow>& listed, bool&) {
    TaskRow* row = FindTask(listed, id);
    if (!row) return TaskGone(path);
    row->speed = outcome.speed;
    row->state = outcome.state;
    row->record.finalOutputPath = outcome.finalOutputPath;
    if (row->claim && IsOwnClaim(*row->claim)) row->claim.reset();
    return QString();
  });
}

TaskClaim OwnClaim() {
  static const std::string started = plat::ProcessStartMark(plat::OwnProcessId());
  return TaskClaim{plat::HostName(), plat::OwnProcessId(), started, Now()};
}

bool IsOwnClaim(const TaskClaim& claim) {
  const TaskClaim own = OwnClaim();
  return claim.host == own.host && claim.pid == own.pid && claim.started == own.started;
}

bool ClaimHolds(const TaskClaim& claim, const std::string& here, int64_t now) {
  if (claim.host == here) {
    const std::string started = plat::ProcessStartMark(static_cast<pid_t>(claim.pid));
    return claim.pid > 0 && !started.empty() && started == claim.started;
  }
  return now - claim.renewed < kClaimStaleSeconds;
}

ClaimedTask ClaimTask(const std::string& path, int number, const std::set<QString>& passed) {
  ClaimedTask out;
  if (!plat::FileExists(path)) {
    out.end = ClaimEnd::Error;
    out.error = QStringLiteral("无法读取任务列表文件“%1”：文件不存在。").arg(FromUtf8(path));
    return out;
  }
  const TaskClaim own = OwnClaim();
  const QString error = LockedUpdate(path, [&](std::vector<TaskRow>& listed, bool& write) {
    out.total = static_cast<int>(listed.size());
    write = false;
    if (number > out.total)
      return QStringLiteral("任务列表文件“%1”中没有第%2个任务（共%3个）。")
          .arg(FromUtf8(path), QString::number(number), QString::number(out.total));
    for (int i = 0; i < out.total; ++i) {
      TaskRow& row = listed[size_t(i)];
      const bool done = IsFinishedState(row.state);
      const bool held = row.claim && ClaimHolds(*row.claim, own.host, own.renewed);
      out.finished += done;
      out.busy += held && !done;
      if (number != 0 && i != number - 1) continue;
      if (out.end == ClaimEnd::Claimed || (number == 0 && passed.count(row.id))) continue;
      if (done) {
        if (number != 0) out.end = ClaimEnd::Finished;
      } else if (held) {
        if (number != 0) out.end = ClaimEnd::Busy, out.holder = row.claim;
      } else {
        row.claim = own;
        out.end = ClaimEnd::Claimed;
        out.number = i + 1;
        out.row = row;
        write = true;
      }
    }
    return QString();
  });
  if (!error.isEmpty()) {
    out.end = ClaimEnd::Error;
    out.error = error;
  }
  return out;
}

QString RenewTaskClaim(const std::string& path, const QString& id) {
  return LockedUpdate(path, [&](std::vector<TaskRow>& listed, bool& write) {
    TaskRow* row = FindTask(listed, id);
    if (!row) return TaskGone(path);
    // A claim taken over meanwhile stays with its new holder; one ended by the outcome
    // (recorded while a renewal waited for the lock) is not made again.
    write = row->claim && IsOwnClaim(*row->claim);
    if (write) row->claim = OwnClaim();
    return QString();
  });
}

QString ReleaseTaskClaim(const std::string& path, const QString& id) {
  return LockedUpdate(path, [&](std::vector<TaskRow>& listed, bool& write) {
    TaskRow* row = FindTask(listed, id);
    write = row && row->claim && IsOwnClaim(*row->claim);
    if (write) row->claim.reset();
    return QString();
  });
}

}  // namespace app
