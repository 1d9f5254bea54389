#include "gui/file_dialog.h"

#include <QDateTime>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QLocale>
#include <QTreeView>

namespace app {
namespace {

const QLocale& Chinese() {
  static const QLocale locale(QLocale::Chinese, QLocale::China);
  return locale;
}

// The file system model's columns: name, size, type, date modified.
class ChineseFileColumns : public QIdentityProxyModel {
 public:
  using QIdentityProxyModel::QIdentityProxyModel;

  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    static const QString titles[] = {QStringLiteral("名称"), QStringLiteral("大小"), QStringLiteral("类型"),
                                     QStringLiteral("修改日期")};
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < 4)
      return titles[section];
    return QIdentityProxyModel::headerData(section, orientation, role);
  }

  QVariant data(const QModelIndex& index, int role) const override {
    const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
    if (role != Qt::DisplayRole || !files || index.column() == 0)
      return QIdentityProxyModel::data(index, role);
    const QModelIndex source = mapToSource(index);
    switch (index.column()) {
      case 1:
        return files->isDir(source) ? QString() : FileSizeText(files->size(source));
      case 2:
        // A file's type is its MIME comment, Chinese with the default locale.
        if (files->isDir(source)) return QStringLiteral("文件夹");
        break;
      case 3:
        return Chinese().toString(files->lastModified(source), QLocale::ShortFormat);
    }
    return QIdentityProxyModel::data(index, role);
  }
};

}  // namespace

QString FileSizeText(qint64 bytes) {
  if (bytes < 1024) return QStringLiteral("%1 字节").arg(bytes);
  static const char* const units[] = {"KB", "MB", "GB", "TB"};
  double value = static_cast<double>(bytes) / 1024;
  int unit = 0;
  for (; value >= 1024 && unit < 3; ++unit) value /= 1024;
  return QString::number(value, 'f', 2) + QLatin1Char(' ') + QLatin1String(units[unit]);
}

std::unique_ptr<QFileDialog> MakeFileDialog(QWidget* owner, const QString& title, const QString& folder,
                                            const QString& filter, FileDialogMode mode) {
  auto dialog = std::make_unique<QFileDialog>(owner, title, folder, filter);
  dialog->setOption(QFileDialog::DontUseNativeDialog);
  dialog->setFileMode(mode == FileDialogMode::OpenMany  ? QFileDialog::ExistingFiles
                      : mode == FileDialogMode::OpenOne ? QFileDialog::ExistingFile
                                                        : QFileDialog::AnyFile);
  dialog->setAcceptMode(mode == FileDialogMode::Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog->setViewMode(QFileDialog::Detail);
  dialog->setProxyModel(new ChineseFileColumns(dialog.get()));
  // The name takes the room left; size, type and date are always shown whole.
  if (auto* list = dialog->findChild<QTreeView*>(QStringLiteral("treeView"))) {
    QHeaderView* header = list->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(0, QHeaderView::Stretch);
    for (int column = 1; column < header->count(); ++column)
      header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
  }
  dialog->resize(820, 520);
  return dialog;
}

}  // namespace app
