#pragma once
// The task list (列表框) as a model: it owns the stored tasks and their row texts, in list
// order. Row r holds task r + 1; its ID column is always r + 1, so every insertion, removal
// and move renumbers the rows after it. Moves go through beginMoveRows, so persistent
// indexes (the selection, the task being modified) follow the moved task. A row dragged to
// another place in the view arrives as a drop of its own mime data and moves the same way.
//
// Used on the user-interface thread only: the batch runner's hooks, which write the speed,
// state, time left and log of the running row, run there too.
#include <QAbstractTableModel>

#include <array>

#include <string_view>
#include <vector>

#include "store/task_row.h"

namespace app {

class TaskListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column { kId, kForeground, kSize, kBitrate, kFormat, kSpeed, kState, kLayout, kColumnCount };
  // Widths in pixels: together the list's inner width with its scroll bar shown.
  static constexpr std::array<int, kColumnCount> kColumnWidths = {28, 92, 66, 42, 36, 40, 56, 58};

  explicit TaskListModel(QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

  // Dragging a row within the list: the dragged row travels as its number; the drop moves it
  // (moveRows). Rows are dropped between rows, never onto one. No removeRows: the view's
  // clean-up after a move drop (it would remove the dragged rows) then changes nothing.
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QStringList mimeTypes() const override;
  QMimeData* mimeData(const QModelIndexList& indexes) const override;
  Qt::DropActions supportedDragActions() const override { return Qt::MoveAction; }
  Qt::DropActions supportedDropActions() const override { return Qt::MoveAction; }
  bool canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                       const QModelIndex& parent) const override;
  bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                    const QModelIndex& parent) override;
  // Moves `count` rows from `source` to before row `destination` (as beginMoveRows counts).
  bool moveRows(const QModelIndex& sourceParent, int source, int count, const QModelIndex& destinationParent,
                int destination) override;

  int size() const { return static_cast<int>(rows_.size()); }
  bool full() const { return size() >= kMaxTasks; }
  const std::vector<TaskRow>& rows() const { return rows_; }
  const TaskRow& row(int r) const { return rows_.at(r); }
  const task::TaskRecord& task(int r) const { return rows_.at(r).record; }
  QString speed(int r) const { return rows_.at(r).speed; }
  QString state(int r) const { return rows_.at(r).state; }
  // The batch runner skips finished tasks.
  bool finished(int r) const;

  // Adding fails (and changes nothing) when the limit would be passed; appendRows adds all
  // of its rows or none.
  bool append(const task::TaskRecord& record);
  bool appendRows(const std::vector<TaskRow>& rows);
  // A copy of row r's task right after it, without a final output path or row states.
  bool insertCloneAfter(int r);

  void removeTask(int r);
  void clearTasks();
  // Puts rows back at the places they were taken from (undo of a delete or a clear), in
  // ascending order of place; a place past the end appends. Rows whose id is in the list
  // already are left out. False (and nothing changed) when the limit would be passed.
  bool restoreRows(const std::vector<std::pair<int, TaskRow>>& placed);
  // Each gives the moved task's new row.
  int moveToTop(int r);
  int moveToBottom(int r);

  // The state text and the final output path are forgotten: the task runs again.
  void clearState(int r);
  void clearAllStates();
  void setSpeed(int r, const QString& speed);
  void setState(int r, const QString& state);
  void setTimeLeft(int r, const QString& timeLeft);
  // While a batch is paused its running rows say so after their state (display only).
  void setPaused(bool paused);
  void setFinalOutputPath(int r, const std::string& path);
  // The converter's output of row r's run, in the chunks it was read in; clearLog when a new
  // run of the row begins. log gives the kept last lines ("" none).
  void appendLog(int r, std::string_view chunk);
  void clearLog(int r);
  QString log(int r) const;
  // Saving a modified task: the record replaces row r's, and its speed, state, log and final
  // output path are emptied so the next batch runs it.
  void replaceTask(int r, const task::TaskRecord& record);
  // Saving a modified task whose command stays the same (a switch the command does not use at
  // this size): the record replaces row r's, and the row keeps its states and output.
  void updateSettings(int r, const task::TaskRecord& record);

 private:
  bool valid(int r) const { return r >= 0 && r < size(); }
  void rowsChanged(int first, int last, int firstColumn = 0, int lastColumn = kColumnCount - 1);
  void renumberFrom(int first);

  std::vector<TaskRow> rows_;
  bool paused_ = false;
};

}  // namespace app
