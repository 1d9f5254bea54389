#include "gui/task_list_model.h"

#include <QMimeData>
#include <QStringList>

#include <algorithm>
#include <iterator>
#include <set>

#include "store/utf8.h"
#include "task/encoder_preset.h"

namespace app {
namespace {

const QString kErrorStatePrefix = QStringLiteral("输出错误(");
const QString kRowMime = QStringLiteral("application/x-flipframe-task-row");

QString ForegroundPath(const task::TaskRecord& r) { return FromUtf8(task::Unquote(r.foregroundPath)); }

QString FileName(const QString& path) { return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1); }

// 画面 in a word or two, as the row's 画面 column shows it: what four tasks of one clip in
// four layouts differ in at a glance.
QString LayoutCell(const task::TaskRecord& r) {
  static const QString words[] = {QStringLiteral("模糊"), QStringLiteral("纯色"), QStringLiteral("裁切"),
                                  QStringLiteral("跟随")};
  const task::CanvasLayout& layout = r.layout;
  QString cell = words[static_cast<int>(layout.kind)];
  if (layout.kind == task::LayoutKind::Crop && layout.cropPercent != task::CanvasLayout{}.cropPercent)
    cell += QString::number(layout.cropPercent) + QLatin1Char('%');
  if (r.fastBackground && layout.kind == task::LayoutKind::Blur) cell += QStringLiteral("·快");
  return cell;
}

// 编码速度 in the speed column until the task runs (then the run's speed stands there): the
// x264 preset in a word, "" for the converter's default.
QString PresetCell(const task::TaskRecord& r) {
  static const QString words[] = {QStringLiteral("极快"), QStringLiteral("超快"), QStringLiteral("很快"),
                                  QStringLiteral("较快"), QStringLiteral("快"),   QStringLiteral("中等"),
                                  QStringLiteral("慢"),   QStringLiteral("较慢"), QStringLiteral("很慢")};
  static_assert(std::size(words) == task::kEncoderPresets.size());
  const int item = task::EncoderPresetItem(r.encoderPreset);
  return item > 0 ? words[item - 1] : QString();
}

// The settings that set a task apart from one made with the defaults and that the row's
// cells do not show, one line each: what two rows of one clip may differ in. A new setting
// of that kind adds its line here.
QStringList SettingNotes(const task::TaskRecord& r) {
  static const QString layouts[] = {QStringLiteral("模糊背景"), QStringLiteral("纯色背景"),
                                    QStringLiteral("裁切铺满"), QStringLiteral("智能跟随")};
  QStringList notes;
  const task::CanvasLayout& layout = r.layout;
  if (layout.kind != task::LayoutKind::Blur) {
    QString line = QStringLiteral("画面：") + layouts[static_cast<int>(layout.kind)];
    if (layout.kind == task::LayoutKind::Colour && layout.colour != task::CanvasLayout{}.colour)
      line += QStringLiteral(" #") + FromUtf8(layout.colour);
    if (layout.kind == task::LayoutKind::Crop && layout.cropPercent != task::CanvasLayout{}.cropPercent)
      line += QStringLiteral("（位置 %1%）").arg(layout.cropPercent);
    notes << line;
  }
  // Only the blurred background is made the quick way.
  if (r.fastBackground && layout.kind == task::LayoutKind::Blur) notes << QStringLiteral("快速背景");
  if (!r.encoderPreset.empty()) notes << QStringLiteral("编码速度：") + FromUtf8(r.encoderPreset);
  return notes;
}

}  // namespace

TaskListModel::TaskListModel(QObject* parent) : QAbstractTableModel(parent) {}

int TaskListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : size(); }

int TaskListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QVariant TaskListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || !valid(index.row())) return {};
  const TaskRow& row = rows_[index.row()];
  const task::TaskRecord& r = row.record;
  if (role == Qt::DisplayRole) {
    switch (index.column()) {
      case kId:
        return QString::number(index.row() + 1);
      case kForeground:
        return FileName(ForegroundPath(r));
      case kSize:
        return QStringLiteral("%1x%2").arg(r.outputWidth).arg(r.outputHeight);
      case kBitrate:
        return FromUtf8(r.bitrate);
      case kFormat:
        return FromUtf8(r.outputFormat);
      case kSpeed:
        return row.speed.isEmpty() ? PresetCell(r) : row.speed;
      case kState:
        // Short enough to be read whole; the whole text is the cell's tooltip.
        if (paused_ && IsRunningState(row.state)) return QStringLiteral("已暂停");
        if (row.state.startsWith(kErrorStatePrefix)) return QStringLiteral("输出错误");
        return row.state;
      case kLayout:
        return LayoutCell(r);
    }
  } else if (role == Qt::ToolTipRole) {
    // The file column is too narrow for a path (with the task's own settings below it), the
    // state column for a converter's error.
    if (index.column() == kSpeed && row.speed.isEmpty() && !r.encoderPreset.empty())
      return QStringLiteral("编码速度：") + FromUtf8(r.encoderPreset) + QStringLiteral("（执行时这里显示转换速度）");
    if (index.column() == kForeground || index.column() == kLayout)
      return (QStringList{ForegroundPath(r)} + SettingNotes(r)).join(QLatin1Char('\n'));
    if (row.state.startsWith(kErrorStatePrefix)) return row.state;
    if (IsRunningState(row.state)) {
      const QString state = paused_ ? row.state + QStringLiteral(" 已暂停") : row.state;
      return row.timeLeft.isEmpty() ? state : state + QLatin1Char('\n') + row.timeLeft;
    }
  }
  return {};
}

QVariant TaskListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  static const QString titles[kColumnCount] = {
      QStringLiteral("ID"),   QStringLiteral("前景文件"), QStringLiteral("宽高比"),   QStringLiteral("码率"),
      QStringLiteral("格式"), QStringLiteral("速度x"),    QStringLiteral("执行状态"), QStringLiteral("画面")};
  if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < kColumnCount)
    return titles[section];
  return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags TaskListModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::ItemIsDropEnabled;
  return QAbstractTableModel::flags(index) | Qt::ItemIsDragEnabled;
}

QStringList TaskListModel::mimeTypes() const { return {kRowMime}; }

QMimeData* TaskListModel::mimeData(const QModelIndexList& indexes) const {
  if (indexes.isEmpty() || !valid(indexes.first().row())) return nullptr;
  auto* data = new QMimeData;
  data->setData(kRowMime, QByteArray::number(indexes.first().row()));
  return data;
}

bool TaskListModel::canDropMimeData(const QMimeData* data, Qt::DropAction action, int, int,
                                    const QModelIndex&) const {
  bool ok = false;
  const int source = data && action == Qt::MoveAction ? data->data(kRowMime).toInt(&ok) : -1;
  return ok && valid(source);
}

bool TaskListModel::dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                                 const QModelIndex& parent) {
  if (!canDropMimeData(data, action, row, column, parent)) return false;
  const int source = data->data(kRowMime).toInt();
  // Onto a row: to its place; below the last row: to the end.
  int destination = row < 0 || row > size() ? size() : row;
  if (row < 0 && parent.isValid() && valid(parent.row()))
    destination = parent.row() > source ? parent.row() + 1 : parent.row();
  if (destination == source || destination == source + 1) return true;  // it stays where it is
  return moveRows(QModelIndex(), source, 1, QModelIndex(), destination);
}

bool TaskListModel::moveRows(const QModelIndex& sourceParent, int source, int count,
                             const QModelIndex& destinationParent, int destination) {
  if (sourceParent.isValid() || destinationParent.isValid() || count < 1 || !valid(source) ||
      !valid(source + count - 1) || destination < 0 || destination > size())
    return false;
  if (!beginMoveRows(QModelIndex(), source, source + count - 1, QModelIndex(), destination)) return false;
  const auto first = rows_.begin() + source, last = first + count;
  if (destination < source)
    std::rotate(rows_.begin() + destination, first, last);
  else
    std::rotate(first, last, rows_.begin() + destination);
  endMoveRows();
  rowsChanged(std::min(source, destination), std::max(source + count, destination) - 1, kId, kId);
  return true;
}

bool TaskListModel::finished(int r) const { return valid(r) && IsFinishedState(rows_[r].state); }

bool TaskListModel::append(const task::TaskRecord& record) { return appendRows({TaskRow{record, {}, {}}}); }

bool TaskListModel::appendRows(const std::vector<TaskRow>& rows) {
  if (!FitsTaskLimit(size(), static_cast<int>(rows.size()))) return false;
  if (rows.empty()) return true;
  beginInsertRows(QModelIndex(), size(), size() + static_cast<int>(rows.size()) - 1);
  rows_.insert(rows_.end(), rows.begin(), rows.end());
  endInsertRows();
  return true;
}

bool TaskListModel::insertCloneAfter(int r) {
  if (!valid(r) || full()) return false;
  TaskRow copy{rows_[r].record, {}, {}};
  copy.record.finalOutputPath.clear();
  beginInsertRows(QModelIndex(), r + 1, r + 1);
  rows_.insert(rows_.begin() + r + 1, std::move(copy));
  endInsertRows();
  renumberFrom(r + 2);
  return true;
}

void TaskListModel::removeTask(int r) {
  if (!valid(r)) return;
  beginRemoveRows(QModelIndex(), r, r);
  rows_.erase(rows_.begin() + r);
  endRemoveRows();
  renumberFrom(r);
}

void TaskListModel::clearTasks() {
  beginResetModel();
  rows_.clear();
  endResetModel();
}

bool TaskListModel::restoreRows(const std::vector<std::pair<int, TaskRow>>& placed) {
  std::set<QString> present;
  for (const TaskRow& row : rows_) present.insert(row.id);
  std::vector<std::pair<int, TaskRow>> back;
  for (const auto& p : placed)
    if (!present.count(p.second.id)) back.push_back(p);
  if (!FitsTaskLimit(size(), static_cast<int>(back.size()))) return false;
  // Rows whose places follow one another go back in one insertion (a whole cleared list: one).
  for (size_t i = 0; i < back.size();) {
    const int at = std::min(back[i].first, size());
    size_t end = i + 1;
    while (end < back.size() && back[end].first == back[end - 1].first + 1) ++end;
    beginInsertRows(QModelIndex(), at, at + static_cast<int>(end - i) - 1);
    for (size_t k = i; k < end; ++k)
      rows_.insert(rows_.begin() + at + static_cast<int>(k - i), back[k].second);
    endInsertRows();
    renumberFrom(at + static_cast<int>(end - i));
    i = end;
  }
  return true;
}

int TaskListModel::moveToTop(int r) {
  if (!valid(r)) return -1;
  if (r > 0) moveRows(QModelIndex(), r, 1, QModelIndex(), 0);
  return 0;
}

int TaskListModel::moveToBottom(int r) {
  if (!valid(r)) return -1;
  // The destination of a move is the row before which the moved row lands: one past the end.
  if (r < size() - 1) moveRows(QModelIndex(), r, 1, QModelIndex(), size());
  return size() - 1;
}

void TaskListModel::clearState(int r) {
  if (!valid(r)) return;
  rows_[r].state.clear();
  rows_[r].speed.clear();  // a speed belongs to the run the state told of
  rows_[r].record.finalOutputPath.clear();
  rowsChanged(r, r);
}

void TaskListModel::clearAllStates() {
  for (TaskRow& row : rows_) {
    row.state.clear();
    row.speed.clear();
    row.record.finalOutputPath.clear();
  }
  if (!rows_.empty()) rowsChanged(0, size() - 1);
}

void TaskListModel::setSpeed(int r, const QString& speed) {
  if (!valid(r) || rows_[r].speed == speed) return;
  rows_[r].speed = speed;
  rowsChanged(r, r, kSpeed, kSpeed);
}

void TaskListModel::setState(int r, const QString& state) {
  if (!valid(r) || rows_[r].state == state) return;
  rows_[r].state = state;
  if (!IsRunningState(state)) rows_[r].timeLeft.clear();
  rowsChanged(r, r);  // the whole row: its tooltips follow the state
}

void TaskListModel::setTimeLeft(int r, const QString& timeLeft) {
  if (!valid(r) || rows_[r].timeLeft == timeLeft) return;
  rows_[r].timeLeft = timeLeft;
  rowsChanged(r, r);
}

void TaskListModel::setPaused(bool paused) {
  if (paused_ == paused) return;
  paused_ = paused;
  if (!rows_.empty()) rowsChanged(0, size() - 1);
}

void TaskListModel::setFinalOutputPath(int r, const std::string& path) {
  if (!valid(r) || rows_[r].record.finalOutputPath == path) return;
  rows_[r].record.finalOutputPath = path;
  rowsChanged(r, r, kState, kState);  // the session list keeps it
}

void TaskListModel::appendLog(int r, std::string_view chunk) {
  if (valid(r)) rows_[r].log.Append(chunk);
}

void TaskListModel::clearLog(int r) {
  if (valid(r)) rows_[r].log = batch::LogTail();
}

QString TaskListModel::log(int r) const { return valid(r) ? FromUtf8(rows_[r].log.Text()) : QString(); }

void TaskListModel::replaceTask(int r, const task::TaskRecord& record) {
  if (!valid(r)) return;
  rows_[r] = TaskRow{record, {}, {}};
  rows_[r].record.finalOutputPath.clear();
  rowsChanged(r, r);
}

void TaskListModel::updateSettings(int r, const task::TaskRecord& record) {
  if (!valid(r)) return;
  const std::string output = rows_[r].record.finalOutputPath;
  rows_[r].record = record;
  rows_[r].record.finalOutputPath = output;
  rowsChanged(r, r);
}

void TaskListModel::rowsChanged(int first, int last, int firstColumn, int lastColumn) {
  emit dataChanged(index(first, firstColumn), index(last, lastColumn));
}

void TaskListModel::renumberFrom(int first) {
  if (first < size()) rowsChanged(first, size() - 1, kId, kId);
}

}  // namespace app
