#pragma once
// Answers the program's message boxes and file dialogs in tests, and records them and the
// logs shown.
#include <QString>
#include <QStringList>
#include <deque>
#include <optional>

#include "gui/dialogs.h"

class ScriptedDialogs : public Dialogs {
 public:
  struct FileRequest {
    QString title, folder, filter;
  };

  // Texts of every error box shown, in order.
  QStringList errors;
  // Texts of every warning box shown, in order.
  QStringList warnings;
  // Texts of every question asked, in order.
  QStringList questions;
  // Every open-file request (single or several files), in order.
  std::deque<FileRequest> fileRequests;
  // Every save-file request, in order.
  std::deque<FileRequest> saveRequests;

  // Every log shown: the kept output and the command line, in order.
  struct LogShown {
    QString log, commandLine;
  };
  std::deque<LogShown> logs;

  // Queued answers; an empty queue answers No / cancel.
  std::deque<bool> yesNoAnswers;
  std::deque<std::optional<QString>> fileAnswers;
  std::deque<QStringList> filesAnswers;  // for OpenFiles
  std::deque<std::optional<QString>> saveAnswers;

  void ShowError(QWidget*, const QString& text) override { errors << text; }
  void ShowWarning(QWidget*, const QString& text) override { warnings << text; }
  bool AskYesNo(QWidget*, const QString& text) override {
    questions << text;
    if (yesNoAnswers.empty()) return false;
    bool a = yesNoAnswers.front();
    yesNoAnswers.pop_front();
    return a;
  }
  std::optional<QString> OpenFile(QWidget*, const QString& title, const QString& folder,
                                  const QString& filter) override {
    fileRequests.push_back({title, folder, filter});
    if (fileAnswers.empty()) return std::nullopt;
    auto a = fileAnswers.front();
    fileAnswers.pop_front();
    return a;
  }
  QStringList OpenFiles(QWidget*, const QString& title, const QString& folder,
                        const QString& filter) override {
    fileRequests.push_back({title, folder, filter});
    if (filesAnswers.empty()) return {};
    QStringList a = filesAnswers.front();
    filesAnswers.pop_front();
    return a;
  }
  std::optional<QString> SaveFile(QWidget*, const QString& title, const QString& folder,
                                  const QString& filter) override {
    saveRequests.push_back({title, folder, filter});
    if (saveAnswers.empty()) return std::nullopt;
    auto a = saveAnswers.front();
    saveAnswers.pop_front();
    return a;
  }
  void ShowLog(QWidget*, const QString& log, const QString& commandLine) override {
    logs.push_back({log, commandLine});
  }
};
