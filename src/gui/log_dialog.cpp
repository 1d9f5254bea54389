#include "gui/log_dialog.h"

#include "batch/task_worker.h"

#include <QClipboard>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <vector>

#include "probe/converter.h"
#include "text/shell_quote.h"

namespace app {

QString MissingSourcesLog(const task::TaskRecord& r) {
  QString log;
  for (const std::string& path : task::MissingSources(r))
    log += QStringLiteral("源文件不存在：") + QString::fromStdString(path) + QLatin1Char('\n');
  return log;
}

QString TaskShellLine(const std::vector<std::string>& words) {
  const std::string& converter = probe::ConverterPath();
  std::vector<std::string> line{converter.empty() ? std::string("ffmpeg") : converter};
  for (std::string& w : batch::ConverterArguments(words)) line.push_back(std::move(w));
  return QString::fromStdString(text::ShellLine(line));
}

LogDialog::LogDialog(QWidget* parent, const QString& log, const QString& commandLine) : QDialog(parent) {
  setWindowTitle(QStringLiteral("查看日志"));
  resize(720, 480);
  const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);

  logText_ = new QPlainTextEdit(this);
  logText_->setObjectName(QStringLiteral("logText"));
  logText_->setReadOnly(true);
  logText_->setLineWrapMode(QPlainTextEdit::NoWrap);
  logText_->setFont(fixed);
  logText_->setPlainText(log.isEmpty() ? QStringLiteral("这个任务在本次运行中还没有转换程序的输出。") : log);
  // The converter's reason for failing stands at the end; the view shows the cursor when it
  // first appears.
  logText_->moveCursor(QTextCursor::End);

  commandLine_ = new QLineEdit(commandLine, this);
  commandLine_->setObjectName(QStringLiteral("commandLine"));
  commandLine_->setReadOnly(true);
  commandLine_->setFont(fixed);
  commandLine_->setCursorPosition(0);

  auto* copy = new QPushButton(QStringLiteral("复制命令"), this);
  copy->setObjectName(QStringLiteral("copyCommand"));
  connect(copy, &QPushButton::clicked, this,
          [this] { QGuiApplication::clipboard()->setText(commandLine_->text()); });
  auto* close = new QPushButton(QStringLiteral("关闭"), this);
  close->setObjectName(QStringLiteral("closeLog"));
  close->setDefault(true);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(copy);
  buttons->addStretch();
  buttons->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(logText_, 1);
  layout->addWidget(commandLine_);
  layout->addLayout(buttons);
}

}  // namespace app
