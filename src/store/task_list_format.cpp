#include "store/task_list_format.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>

#include <cmath>
#include <cstring>
#include <limits>
#include <tuple>

#include "pipeline/stored_task.h"
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
const QString kLogo = QStringLiteral("logo");

// ---- values -------------------------------------------------------------------------------

}  // namespace

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

namespace {

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

// A task of several targets keeps a list: each target with its output size, the task's own
// first; a task of one keeps the plain object.
QJsonValue TargetsToJson(const task::TaskRecord& r) {
  if (r.moreOutputs.empty()) return TargetToJson(r.target);
  QJsonObject first = TargetToJson(r.target);
  first.insert(QStringLiteral("width"), r.outputWidth);
  first.insert(QStringLiteral("height"), r.outputHeight);
  QJsonArray list{first};
  for (const task::TargetOutput& more : r.moreOutputs) {
    QJsonObject o = TargetToJson(more.settings);
    o.insert(QStringLiteral("width"), more.width);
    o.insert(QStringLiteral("height"), more.height);
    list.append(o);
  }
  return list;
}

bool TargetsFromJson(const QJsonValue& v, task::TaskRecord* r) {
  if (!v.isArray()) return TargetFromJson(v, &r->target);
  const QJsonArray list = v.toArray();
  if (list.size() < 2 || list.size() > task::kMaxOutputs) return false;
  for (const QJsonValue& item : list) {
    task::TargetOutput out;
    if (!TargetFromJson(item, &out.settings) || !IntFromJson(item[QStringLiteral("width")], &out.width) ||
        !IntFromJson(item[QStringLiteral("height")], &out.height))
      return false;
    r->moreOutputs.push_back(std::move(out));
  }
  // The first is the task's own target, at the task's own size.
  const task::TargetOutput first = r->moreOutputs.front();
  r->moreOutputs.erase(r->moreOutputs.begin());
  r->target = first.settings;
  return first.width == r->outputWidth && first.height == r->outputHeight;
}

bool BandTextsFromJson(const QJsonValue& v, task::BandTexts* b) {
  const QJsonObject o = v.toObject();
  return v.isObject() && TextFromJson(o, "title", &b->title) && TextFromJson(o, "caption", &b->caption) &&
         TextFromJson(o, "font", &b->font) && TextFromJson(o, "colour", &b->colour) &&
         TextFromJson(o, "outline", &b->outline) && IntFromJson(o.value(QStringLiteral("size")), &b->size);
}

// The logo: its path as bytes like every source path, its place as a word.
QJsonObject LogoToJson(const task::Logo& l) {
  return {{"path", BytesToJson(l.path)},
          {"kind", l.kind},
          {"place", QString::fromLatin1(task::LogoPlaceWord(l.place))},
          {"size", l.size},
          {"margin", l.margin},
          {"opacity", l.opacity}};
}

bool LogoFromJson(const QJsonValue& v, task::Logo* l) {
  const QJsonObject o = v.toObject();
  const QJsonValue place = o.value(QStringLiteral("place"));
  const std::optional<task::LogoPlace> parsed =
      place.isString() ? task::LogoPlaceOf(place.toString().toStdString()) : std::nullopt;
  if (!v.isObject() || !parsed) return false;
  l->place = *parsed;
  return BytesFromJson(o.value(QStringLiteral("path")), &l->path) && l->used() &&
         IntFromJson(o.value(QStringLiteral("kind")), &l->kind) &&
         IntFromJson(o.value(QStringLiteral("size")), &l->size) &&
         IntFromJson(o.value(QStringLiteral("margin")), &l->margin) &&
         IntFromJson(o.value(QStringLiteral("opacity")), &l->opacity);
}

// ---- tasks --------------------------------------------------------------------------------

}  // namespace

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
  if (row.record.target.used()) o.insert(kTarget, TargetsToJson(row.record));
  if (row.record.bandTexts != task::BandTexts{}) o.insert(kBandTexts, BandTextsToJson(row.record.bandTexts));
  if (row.record.logo.used()) o.insert(kLogo, LogoToJson(row.record.logo));
  o.insert(QStringLiteral("speed"), row.speed);
  o.insert(QStringLiteral("state"), row.state);
  o.insert(kId, row.id);
  if (row.claim) o.insert(kClaim, ClaimToJson(row.claim));
  return o;
}

QJsonValue ClaimToJson(const std::optional<TaskClaim>& claim) {
  if (!claim) return QJsonValue::Null;
  return QJsonObject{{QStringLiteral("host"), BytesToJson(claim->host)},
                     {QStringLiteral("pid"), double(claim->pid)},
                     {QStringLiteral("started"), BytesToJson(claim->started)},
                     {QStringLiteral("renewed"), double(claim->renewed)}};
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

namespace {

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
  if (!target.isUndefined() && !TargetsFromJson(target, &r)) return kTarget;
  const QJsonValue texts = o.value(kBandTexts);
  if (!texts.isUndefined() && !BandTextsFromJson(texts, &r.bandTexts)) return kBandTexts;
  // Lists from before the logo: none. Its path and numbers are checked with the other fields.
  const QJsonValue logo = o.value(kLogo);
  if (!logo.isUndefined() && !LogoFromJson(logo, &r.logo)) return kLogo;
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

// ---- the document ---------------------------------------------------------------------------

// Finds the ends of the document's values without taking them apart; what is inside a value
// is checked when the value itself is parsed.
class Skeleton {
 public:
  explicit Skeleton(const QByteArray& bytes) : p_(bytes.constData()), n_(bytes.size()) {}

  qsizetype SkipBlanks(qsizetype i) const {
    while (i < n_ && (p_[i] == ' ' || p_[i] == '\t' || p_[i] == '\n' || p_[i] == '\r')) ++i;
    return i;
  }
  bool At(qsizetype i, char c) const { return i < n_ && p_[i] == c; }
  // The end of the string starting at `i`, or -1.
  qsizetype StringEnd(qsizetype i) const {
    if (!At(i, '"')) return -1;
    for (++i; i < n_; ++i) {
      if (p_[i] == '\\')
        ++i;
      else if (p_[i] == '"')
        return i + 1;
    }
    return -1;
  }
  // The end of the value starting at `i`, or -1.
  qsizetype ValueEnd(qsizetype i) const {
    if (At(i, '"')) return StringEnd(i);
    if (At(i, '{') || At(i, '[')) {
      int depth = 0;
      for (; i < n_; ++i) {
        const char c = p_[i];
        if (c == '"') {
          i = StringEnd(i);
          if (i < 0) return -1;
          --i;
        } else if (c == '{' || c == '[') {
          ++depth;
        } else if ((c == '}' || c == ']') && --depth == 0) {
          return i + 1;
        }
      }
      return -1;
    }
    const qsizetype start = i;
    while (i < n_ && !std::strchr(",}] \t\r\n", p_[i])) ++i;
    return i > start ? i : -1;
  }

 private:
  const char* p_;
  qsizetype n_;
};

// One value on its own, as JSON (a scalar wrapped in an array to be a document).
std::optional<QJsonValue> ParseValue(const QByteArray& bytes) {
  QJsonParseError error;
  const QJsonDocument doc = QJsonDocument::fromJson("[" + bytes + "]", &error);
  if (error.error != QJsonParseError::NoError || doc.array().size() != 1) return std::nullopt;
  return doc.array().at(0);
}

QString Damaged(const QString& file, qsizetype offset, const QString& why) {
  return QStringLiteral("任务列表文件“%1”已损坏（第%2个字节处：%3）。")
      .arg(file, QString::number(offset), why);
}

// The message for a document whose skeleton does not hold: the JSON parser's own words.
QString DamagedWhole(const QString& file, const QByteArray& bytes) {
  QJsonParseError error;
  QJsonDocument::fromJson(bytes, &error);
  if (error.error != QJsonParseError::NoError) return Damaged(file, error.offset, error.errorString());
  return QStringLiteral("文件“%1”不是任务列表。").arg(file);
}

// The members of the root object: the task array's element ranges and the other values.
struct Members {
  std::optional<QJsonValue> format, version;
  bool hasTasks = false, tasksIsArray = false;
  std::vector<std::pair<qsizetype, qsizetype>> tasks;
};

// False when the skeleton does not hold.
bool ReadMembers(const QByteArray& bytes, Members* m) {
  const Skeleton s(bytes);
  qsizetype i = s.SkipBlanks(0);
  if (!s.At(i, '{')) return false;
  i = s.SkipBlanks(i + 1);
  if (s.At(i, '}')) return s.SkipBlanks(i + 1) == bytes.size();
  for (;;) {
    const qsizetype keyEnd = s.StringEnd(i);
    if (keyEnd < 0) return false;
    const std::optional<QJsonValue> key = ParseValue(bytes.mid(i, keyEnd - i));
    if (!key) return false;
    i = s.SkipBlanks(keyEnd);
    if (!s.At(i, ':')) return false;
    i = s.SkipBlanks(i + 1);
    const qsizetype end = s.ValueEnd(i);
    if (end < 0) return false;
    if (key->toString() == QLatin1String("tasks") && s.At(i, '[')) {
      m->hasTasks = m->tasksIsArray = true;
      m->tasks.clear();
      qsizetype j = s.SkipBlanks(i + 1);
      while (!s.At(j, ']')) {
        const qsizetype elementEnd = s.ValueEnd(j);
        if (elementEnd < 0) return false;
        m->tasks.emplace_back(j, elementEnd - j);
        j = s.SkipBlanks(elementEnd);
        if (s.At(j, ',')) {
          j = s.SkipBlanks(j + 1);
          if (s.At(j, ']')) return false;  // no value after the comma
        } else if (!s.At(j, ']')) {
          return false;
        }
      }
    } else {
      const std::optional<QJsonValue> value = ParseValue(bytes.mid(i, end - i));
      if (!value) return false;
      if (key->toString() == QLatin1String("format")) m->format = value;
      if (key->toString() == QLatin1String("version")) m->version = value;
      if (key->toString() == QLatin1String("tasks")) m->hasTasks = true, m->tasksIsArray = false;
    }
    i = s.SkipBlanks(end);
    if (s.At(i, '}')) return s.SkipBlanks(i + 1) == bytes.size();
    if (!s.At(i, ',')) return false;
    i = s.SkipBlanks(i + 1);
  }
}

}  // namespace

QString ReadListDocument(const QByteArray& bytes, const std::string& path,
                         const std::function<bool(ListedTask&)>& take) {
  const QString file = FromUtf8(path);
  Members m;
  if (!ReadMembers(bytes, &m)) return DamagedWhole(file, bytes);
  if (!m.format || m.format->toString() != QLatin1String(kTaskListFormat))
    return QStringLiteral("文件“%1”不是任务列表。").arg(file);
  if (!m.version || *m.version != QJsonValue(kTaskListVersion)) {
    const QString shown =
        m.version && m.version->isDouble() ? QString::number(m.version->toDouble()) : QStringLiteral("无");
    return QStringLiteral("任务列表文件“%1”的版本（%2）无法识别，本程序只读得懂版本%3。")
        .arg(file, shown, QString::number(kTaskListVersion));
  }
  if (!m.tasksIsArray) return QStringLiteral("任务列表文件“%1”已损坏：没有任务数组。").arg(file);
  for (size_t k = 0; k < m.tasks.size(); ++k) {
    ListedTask listed;
    listed.number = int(k + 1);
    std::tie(listed.offset, listed.length) = m.tasks[k];
    const QByteArray task = bytes.mid(listed.offset, listed.length);
    const QString madeUp = listed.row.id;
    if (const QString error = ReadListedTask(task, path, listed.number, listed.offset, &listed.row);
        !error.isEmpty())
      return error;
    listed.freshId = listed.row.id == madeUp;
    if (!take(listed)) break;
  }
  return {};
}

QString ReadListedTask(const QByteArray& task, const std::string& path, int number, qsizetype offset,
                       TaskRow* row) {
  const QString file = FromUtf8(path);
  QJsonParseError error;
  const QJsonDocument doc = QJsonDocument::fromJson(task, &error);
  if (error.error != QJsonParseError::NoError)
    return Damaged(file, offset + error.offset, error.errorString());
  const QString bad = doc.isObject() ? RowFromJson(doc.object(), row) : QStringLiteral("全部");
  if (!bad.isEmpty())
    return QStringLiteral("任务列表文件“%1”已损坏：第%2个任务缺少字段“%3”或其值无效。")
        .arg(file, QString::number(number), bad);
  // A list may come from anyone: a task whose fields could make the converter do anything
  // but this task refuses the whole list.
  if (const std::string problem = pipeline::StoredTaskProblem(row->record); !problem.empty())
    return QStringLiteral("任务列表文件“%1”的第%2个任务不能使用：%3。整个列表未载入。")
        .arg(file, QString::number(number), QString::fromStdString(problem));
  return {};
}

QByteArray ListHead() {
  return QByteArrayLiteral("{\n    \"format\": \"") + kTaskListFormat +
         QByteArrayLiteral("\",\n    \"tasks\": [");
}

QByteArray ListSeparator(bool first) {
  return first ? QByteArrayLiteral("\n        ") : QByteArrayLiteral(",\n        ");
}

QByteArray TaskText(const QJsonObject& task) {
  QByteArray text = QJsonDocument(task).toJson(QJsonDocument::Indented);
  if (text.endsWith('\n')) text.chop(1);
  // Two levels deeper than a document of its own: inside the root object and the array.
  return text.replace("\n", "\n        ");
}

QByteArray ListTail() {
  return QByteArrayLiteral("\n    ],\n    \"version\": ") + QByteArray::number(kTaskListVersion) +
         QByteArrayLiteral("\n}\n");
}

}  // namespace app
