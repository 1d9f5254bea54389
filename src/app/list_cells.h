#pragma once
// Cells of the task list (列表框): one QTableWidgetItem per cell, made when first needed.
#include <QString>
#include <QTableWidget>

namespace app {

inline QTableWidgetItem* CellItem(QTableWidget* table, int row, int column) {
  QTableWidgetItem* item = table->item(row, column);
  if (!item) {
    item = new QTableWidgetItem;
    table->setItem(row, column, item);
  }
  return item;
}

inline QString CellText(const QTableWidget* table, int row, int column) {
  const QTableWidgetItem* item = table->item(row, column);
  return item ? item->text() : QString();
}

// Writes a cell of an existing row; a row that is gone is left alone.
inline void SetCell(QTableWidget* table, int row, int column, const QString& text) {
  if (row >= 0 && row < table->rowCount()) CellItem(table, row, column)->setText(text);
}

}  // namespace app
