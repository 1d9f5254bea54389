// The file dialog as a user reads it: Chinese column titles, sizes, folder type and dates,
// and columns wide enough for them, in the real dialog shown offscreen.
#include <gtest/gtest.h>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>

#include <fstream>
#include <string>

#include "gui/file_dialog.h"
#include "platform/platform.h"
#include "support/media.h"

namespace ts = testing_support;

TEST(FileDialog, SizesReadInChinese) {
  const struct {
    qint64 bytes;
    const char* text;
  } cases[] = {
      {1023, "1023 字节"}, {1024, "1.00 KB"}, {1536 * 1024, "1.50 MB"}, {5000LL << 40, "5000.00 TB"}};
  for (const auto& c : cases) EXPECT_EQ(app::FileSizeText(c.bytes), QString::fromUtf8(c.text)) << c.bytes;
}

TEST(FileDialog, ListColumnsAreChineseAndWideEnoughToRead) {
  const std::string folder = ts::TempFolder() + "/dialog";
  plat::MakeDirs(folder + "/子文件夹");
  std::ofstream(folder + "/clip.bin", std::ios::binary) << std::string(5000, 'x');
  // Qt keeps the dialog's last state in QtProject.conf: not the user's, nor another test's.
  setenv("XDG_CONFIG_HOME", (folder + "/config").c_str(), 1);

  const std::unique_ptr<QFileDialog> dialog =
      app::MakeFileDialog(nullptr, QStringLiteral("载入任务列表"), QString::fromStdString(folder), QString(),
                          app::FileDialogMode::OpenOne);
  auto* files = dialog->findChild<QFileSystemModel*>();
  auto* list = dialog->findChild<QTreeView*>(QStringLiteral("treeView"));
  ASSERT_TRUE(files && list);
  QSignalSpy loaded(files, &QFileSystemModel::directoryLoaded);
  dialog->show();  // not modal: the test reads it while it is open
  ASSERT_TRUE(loaded.count() > 0 || loaded.wait(10000));
  const QModelIndex root = list->rootIndex();
  QAbstractItemModel* view = list->model();
  ASSERT_TRUE(QTest::qWaitFor([&] { return view->rowCount(root) == 2; }, 10000));

  QStringList titles;
  for (int c = 0; c < list->header()->count(); ++c) titles << view->headerData(c, Qt::Horizontal).toString();
  EXPECT_EQ(titles, (QStringList{"名称", "大小", "类型", "修改日期"}));

  const QRegularExpression chineseDate(QStringLiteral("^\\d{4}/\\d{1,2}/\\d{1,2} \\d{1,2}:\\d{2}$"));
  for (int r = 0; r < 2; ++r) {
    auto cell = [&](int c) { return view->index(r, c, root).data().toString(); };
    SCOPED_TRACE(cell(0).toStdString());
    if (cell(0) == QStringLiteral("子文件夹")) {
      EXPECT_EQ(cell(1), QString());
      EXPECT_EQ(cell(2), QStringLiteral("文件夹"));
    } else {
      EXPECT_EQ(cell(1), QStringLiteral("4.88 KB"));
    }
    EXPECT_TRUE(chineseDate.match(cell(3)).hasMatch()) << cell(3).toStdString();
  }
  // Every cell of size, type and date is shown whole, and the name keeps most of the room.
  const QAbstractItemView* cells = list;  // QTreeView hides the size hint it gives the header
  for (int c = 1; c < 4; ++c) EXPECT_GE(list->header()->sectionSize(c), cells->sizeHintForColumn(c)) << c;
  EXPECT_GE(list->header()->sectionSize(0), 200);
}
