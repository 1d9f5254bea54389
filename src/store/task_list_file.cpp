#include "store/task_list_file.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>

#include <cmath>
#include <limits>

#include "platform/platform.h"
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
const QString kFastBackground = QStringLiteral("fastBackground");
const QString kLayout = QStringLiteral("layout");

// Messages fill in every part with one multi-argument arg(), so that a "%1" in a file name
// stays as it is.
QString Shown(const std::string& path) { return QString::fromStdString(path); }

QString LockFailure(const std::string& path, const std::string& why) {
  return QStringLiteral("无法锁定任务列表文件“%1”：%2。").arg(Shown(path), Shown(why));
}

QString WriteFailure(const std::string& path, const std::string& why) {
  return QStringLiteral("无法保存任务列表文件“%1”：%2。").arg(Shown(path), Shown(why));
}

// ---- values -------------------------------------------------------------------------------

QJsonValue BytesToJson(const std::string& bytes) {
  if (text::IsValidUtf8(bytes)) return QString::fromStdString(bytes);
  const QByteArray raw(bytes.data(), static_cast<qsizetype>(bytes.size()));
  return QJsonObject{{kBase64, QString::fromLatin1(raw.toBase64())}};
}

bool BytesFromJson(const QJsonValue& v, std::string* out) {
  if (v.isString()) {
    *out = v.toString().toStdString();
    return true;
  }
  const QJsonValue encoded = v.toObject().value(kBase64);
  if (!v.isObject() || !encoded.isString()) return false;
  const auto decoded =
      QByteArray::fromBase64Encoding(encoded.toString().toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
  if (!decoded) return false;
  *out = decoded.decoded.toStdString();
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

// ---- tasks --------------------------------------------------------------------------------

QJsonObject RowToJson(const TaskRow& row) {
  QJsonObject o;
  for (const TextField& f : kTextFields) o.insert(QLatin1String(f.name), BytesToJson(row.record.*f.member));
  for (const NumberField& f : kNumberFields) o.insert(QLatin1String(f.name), row.record.*f.member);
  o.insert(QStringLiteral("ticks"), ArrayToJson(row.record.ticks));
  o.insert(QStringLiteral("disabled"), ArrayToJson(row.record.disabled));
  o.insert(kFastBackground, row.record.fastBackground);
  o.insert(kLayout, QString::fromStdString(task::LayoutText(row.record.layout)));
  o.insert(QStringLiteral("speed"), row.speed);
  o.insert(QStringLiteral("state"), row.state);
  return o;
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
  // Lists saved before layouts existed have none: the blurred background.
  const QJsonValue layout = o.value(kLayout);
  if (!layout.isUndefined()) {
    const std::optional<task::CanvasLayout> parsed =
        layout.isString() ? task::ParseLayout(layout.toString().toStdString()) : std::nullopt;
    if (!parsed) return kLayout;
    r.layout = *parsed;
  }
  for (auto [name, text] : {std::pair{"speed", &row->speed}, std::pair{"state", &row->state}}) {
    const QJsonValue v = o.value(QLatin1String(name));
    if (!v.isString()) return QLatin1String(name);
    *text = v.toString();
  }
  return {};
}

LoadedTaskList Failure(const QString& message) { return LoadedTaskList{{}, message}; }

// Runs `change` on the list's rows under the list's lock and writes the result back.
template <typename Change>
QString LockedUpdate(const std::string& path, Change change) {
  std::string why;
  const int lock = plat::LockFile(TaskListLockPath(path), &why);
  if (lock < 0) return LockFailure(path, why);
  std::vector<TaskRow> rows;
  QString error;
  if (plat::FileExists(path)) {
    LoadedTaskList list = LoadTaskList(path);
    error = list.error;
    rows = std::move(list.rows);
  }
  if (error.isEmpty()) error = change(rows);
  if (error.isEmpty() && !plat::WriteFileAtomically(path, SerializeTaskList(rows).toStdString(), &why))
    error = WriteFailure(path, why);
  plat::UnlockFile(lock);
  return error;
}

}  // namespace

std::string TaskListLockPath(const std::string& path) { return path + ".lock"; }

QByteArray SerializeTaskList(const std::vector<TaskRow>& rows) {
  QJsonArray tasks;
  for (const TaskRow& row : rows) tasks.append(RowToJson(row));
  const QJsonObject root{{QStringLiteral("format"), QLatin1String(kTaskListFormat)},
                         {QStringLiteral("version"), kTaskListVersion},
                         {QStringLiteral("tasks"), tasks}};
  return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

LoadedTaskList ParseTaskList(const QByteArray& bytes, const std::string& path) {
  const QString file = Shown(path);
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
    list.rows.push_back(std::move(row));
  }
  return list;
}

LoadedTaskList LoadTaskList(const std::string& path) {
  std::string bytes, why;
  if (!plat::ReadFile(path, &bytes, &why))
    return Failure(QStringLiteral("无法读取任务列表文件“%1”：%2。").arg(Shown(path), Shown(why)));
  return ParseTaskList(QByteArray::fromStdString(bytes), path);
}

QString SaveTaskList(const std::string& path, const std::vector<TaskRow>& rows) {
  // The lock keeps a save from landing between another writer's read and write.
  std::string why;
  const int lock = plat::LockFile(TaskListLockPath(path), &why);
  if (lock < 0) return LockFailure(path, why);
  const bool saved = plat::WriteFileAtomically(path, SerializeTaskList(rows).toStdString(), &why);
  plat::UnlockFile(lock);
  return saved ? QString() : WriteFailure(path, why);
}

QString AppendToTaskList(const std::string& path, const std::vector<TaskRow>& rows) {
  return LockedUpdate(path, [&](std::vector<TaskRow>& listed) {
    const int count = static_cast<int>(listed.size());
    if (!FitsTaskLimit(count, static_cast<int>(rows.size())))
      return QStringLiteral("任务列表文件“%1”已有%2个任务，再加入%3个将超过上限%4个。")
          .arg(Shown(path), QString::number(count), QString::number(rows.size()), QString::number(kMaxTasks));
    listed.insert(listed.end(), rows.begin(), rows.end());
    return QString();
  });
}

QString RecordTaskOutcome(const std::string& path, int number, const TaskOutcome& outcome) {
  if (!plat::FileExists(path))
    return QStringLiteral("无法读取任务列表文件“%1”：文件不存在。").arg(Shown(path));
  return LockedUpdate(path, [&](std::vector<TaskRow>& listed) {
    if (number < 1 || number > static_cast<int>(listed.size()))
      return QStringLiteral("任务列表文件“%1”中没有第%2个任务（共%3个）。")
          .arg(Shown(path), QString::number(number), QString::number(listed.size()));
    TaskRow& row = listed[number - 1];
    row.speed = outcome.speed;
    row.state = outcome.state;
    row.record.finalOutputPath = outcome.finalOutputPath;
    return QString();
  });
}

}  // namespace app
