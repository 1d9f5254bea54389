#pragma once
// "查看日志": why a task failed. Shows the converter's last lines of the task's latest run and
// the task's command as one line a POSIX shell runs unchanged, with a button that copies it.
#include <QDialog>
#include <QString>

#include <string>
#include <vector>

#include "task/task_record.h"

class QPlainTextEdit;
class QLineEdit;

namespace app {

// The log of a task whose turn found a source missing: one line "源文件不存在：PATH" for
// each source of `r` that is not there now ("" when all are).
QString MissingSourcesLog(const task::TaskRecord& r);

// The converter with batch::ConverterArguments(`words`) (a task's pipeline::RunWords, what the batch
// runs), quoted for a POSIX shell. The converter is named "ffmpeg" when none was found.
QString TaskShellLine(const std::vector<std::string>& words);

class LogDialog : public QDialog {
  Q_OBJECT

 public:
  // `log` is the kept output ("" none), `commandLine` the shell line.
  LogDialog(QWidget* parent, const QString& log, const QString& commandLine);

 private:
  QPlainTextEdit* logText_ = nullptr;
  QLineEdit* commandLine_ = nullptr;
};

}  // namespace app
