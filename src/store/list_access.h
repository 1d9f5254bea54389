#pragma once
// What every reader and writer of a task list file shares: the list's lock, the check that
// the list is a regular file, and the messages that name the file.
#include <QByteArray>
#include <QString>

#include <string>

namespace app {

// Holds the lock of the list `path` names (".NAME.lock" beside the link's target) while it
// lives. A list that is not a regular file is refused before any lock is made beside it.
class ListLock {
 public:
  explicit ListLock(const std::string& path);
  ~ListLock();
  ListLock(const ListLock&) = delete;
  ListLock& operator=(const ListLock&) = delete;
  const QString& error() const { return error_; }  // "" when held

 private:
  int fd_ = -1;
  QString error_;
};

// Reads the list file `path` (a link followed) whole, up to `limit` bytes; "" or the message.
QString ReadListBytes(const std::string& path, int64_t limit, std::string* bytes);

QString ListWriteFailure(const std::string& path, const std::string& why);
QString ListWriteProtected(const std::string& path);
QString ListMissing(const std::string& path);
QString TaskGone(const std::string& path);

}  // namespace app
