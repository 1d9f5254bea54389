#pragma once
// The analysis a follow task's preview waits for. The whole clip is analysed once, on a worker
// of its own that goes on while the slider moves (each frame then takes the kept result, as the
// batch will); it is given up when another clip is asked for or the preview closes.
#include <QObject>
#include <QString>

#include <map>
#include <string>
#include <thread>

#include "task/task_record.h"

namespace app {

class PreviewAnalysis : public QObject {
  Q_OBJECT

 public:
  enum class Readiness { Ready, Analysing, Failed };

  explicit PreviewAnalysis(QObject* parent = nullptr) : QObject(parent) {}
  ~PreviewAnalysis() override { stop(); }

  // Ready when a frame of `task` can be rendered now: another layout, an analysis kept from
  // before, or no folder to keep one in (the render then analyses on its own). Otherwise the
  // analysis is started unless it runs already (Analysing: wait for `finished`), or it failed
  // before (Failed, with `why`).
  Readiness prepare(const task::TaskRecord& task, QString* why);
  void stop();

 signals:
  void progressed(int percent);
  // The analysis ended, done or failed: prepare() says which.
  void finished();

 private:
  std::string running_;                    // the kept result's file the worker makes
  std::map<std::string, QString> failed_;  // by that file
  std::jthread worker_;
};

}  // namespace app
