#pragma once
// The desktop notification at the end of a batch that ran while the user looked elsewhere
// (org.freedesktop.Notifications over D-Bus).
#include <QString>

#include <string>

class QDBusConnection;

namespace app {

// What a batch ended with: tasks that finished and tasks that failed (stopped ones are neither).
struct BatchOutcome {
  int finished = 0;
  int failed = 0;
  // Counts one task by the state its row was left with.
  void Count(const std::string& state);
};

// "批量处理结束：N 个任务完成，M 个失败"
QString BatchNotificationBody(const BatchOutcome& outcome);

// Sends one notification (method Notify) on the session bus without waiting for an answer; no
// bus or no notification service is no error.
void NotifyBatchEnded(const BatchOutcome& outcome);
void NotifyBatchEnded(const BatchOutcome& outcome, const QDBusConnection& bus);

}  // namespace app
