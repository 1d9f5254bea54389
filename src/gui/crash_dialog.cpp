#include "gui/crash_dialog.h"

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>

#include "gui/file_manager.h"
#include "platform/crash_handler.h"
#include "platform/crash_report.h"
#include "platform/platform.h"

namespace app {
namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

QLabel* Value(const QString& text, const char* name) {
  auto* label = new QLabel(text);
  label->setObjectName(QString::fromUtf8(name));
  label->setWordWrap(true);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return label;
}

}  // namespace

CrashDialog::CrashDialog(QWidget* parent, const QString& reportPath) : QDialog(parent), path_(reportPath) {
  setObjectName(QStringLiteral("崩溃报告"));
  setWindowTitle(QStringLiteral("flipframe 崩溃报告"));
  std::string text, why;
  if (!crash::ReadReport(QFile::encodeName(reportPath).toStdString(), &text, &why))
    text = "无法读取崩溃报告：" + why;
  const crash::ReportFacts facts = crash::ParseReport(text);
  std::vector<crash::Frame> frames = crash::StackFrames(facts);
  crash::Symbolize(facts, frames);
  const std::string stack = crash::StackText(frames);
  whole_ = Q(text) + QStringLiteral("\n调用栈（函数名）:\n") + Q(stack);

  auto* layout = new QVBoxLayout(this);
  QString intro = QStringLiteral("flipframe 意外终止了。下面的报告可以复制后发给开发者。");
  // The session's work: only where the menu really offers it.
  if (kTaskListRestoreInMenu) intro += QStringLiteral("\n任务列表可以从菜单“恢复上次的任务列表”找回。");
  layout->addWidget(new QLabel(intro));
  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("错误代码:"), Value(Q(facts.code), "错误代码"));
  form->addRow(QStringLiteral("错误信息:"), Value(Q(facts.message), "错误信息"));
  if (!facts.activity.empty())
    form->addRow(QStringLiteral("正在进行:"), Value(Q(facts.activity).trimmed(), "正在进行"));
  form->addRow(QStringLiteral("时间:"), Value(Q(facts.time + "  " + facts.version), "时间"));
  form->addRow(QStringLiteral("报告文件:"), Value(reportPath, "报告文件"));
  layout->addLayout(form);
  layout->addWidget(new QLabel(QStringLiteral("调用栈:")));
  auto* stackBox = new QPlainTextEdit(Q(stack));
  stackBox->setObjectName(QStringLiteral("调用栈"));
  stackBox->setReadOnly(true);
  stackBox->setLineWrapMode(QPlainTextEdit::NoWrap);
  stackBox->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  layout->addWidget(stackBox, 1);
  auto* status = new QLabel;
  layout->addWidget(status);

  auto* buttons = new QDialogButtonBox;
  QPushButton* copy = buttons->addButton(QStringLiteral("复制报告"), QDialogButtonBox::ActionRole);
  copy->setObjectName(QStringLiteral("复制报告"));
  QPushButton* folder = buttons->addButton(QStringLiteral("打开所在文件夹"), QDialogButtonBox::ActionRole);
  folder->setObjectName(QStringLiteral("打开所在文件夹"));
  QPushButton* close = buttons->addButton(QStringLiteral("关闭"), QDialogButtonBox::RejectRole);
  close->setObjectName(QStringLiteral("关闭"));
  layout->addWidget(buttons);
  connect(copy, &QPushButton::clicked, this, [this, status] {
    QGuiApplication::clipboard()->setText(whole_);
    status->setText(QStringLiteral("报告已复制到剪贴板。"));
  });
  connect(folder, &QPushButton::clicked, this, [this, status] {
    ShowInFileManager(path_, this, [status](const QString& path) { status->setText(NotShownMessage(path)); });
  });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  resize(760, 560);
}

int ShowCrashReport(const QString& reportPath) {
  if (!QFileInfo(reportPath).isFile()) {
    std::fprintf(stderr, "flipframe: 无法读取崩溃报告 %s\n", QFile::encodeName(reportPath).constData());
    return 1;
  }
  CrashDialog dialog(nullptr, reportPath);
  dialog.show();
  QFile::remove(reportPath + QString::fromUtf8(crash::kUnshownSuffix));
  dialog.exec();
  return 0;
}

CrashDialog* OfferUnshownCrashReport(QWidget* window, const std::string& folder) {
  if (folder.empty()) return nullptr;
  const std::string suffix = crash::kUnshownSuffix;
  std::vector<std::string> reports;
  for (const std::string& name : plat::FolderEntries(folder)) {
    if (!name.ends_with(suffix)) continue;
    const std::string marker = folder + "/" + name;
    plat::DeleteFile(marker);
    const std::string report = marker.substr(0, marker.size() - suffix.size());
    if (plat::IsRegularFile(report)) reports.push_back(report);
  }
  if (reports.empty()) return nullptr;
  // Names carry the time: the greatest is the newest.
  auto* dialog =
      new CrashDialog(window, QFile::decodeName(std::max_element(reports.begin(), reports.end())->c_str()));
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->show();
  return dialog;
}

}  // namespace app
