#include "store/list_access.h"

#include "platform/platform.h"
#include "store/task_list_file.h"
#include "store/utf8.h"

namespace app {

// Messages fill in every part with one multi-argument arg(), so that a "%1" in a file name
// stays as it is.

ListLock::ListLock(const std::string& path) {
  std::string why;
  if (!plat::IsRegularOrMissing(plat::LinkTarget(path), &why))
    error_ = ListWriteFailure(path, why);
  else if ((fd_ = plat::LockFile(TaskListLockPath(path), &why)) < 0)
    error_ = QStringLiteral("无法锁定任务列表文件“%1”：%2。").arg(FromUtf8(path), FromUtf8(why));
}

ListLock::~ListLock() { plat::UnlockFile(fd_); }

QString ReadListBytes(const std::string& path, int64_t limit, std::string* bytes) {
  std::string why;  // ReadFile follows a symbolic link itself
  if (!plat::ReadFile(path, bytes, &why, limit))
    return QStringLiteral("无法读取任务列表文件“%1”：%2。").arg(FromUtf8(path), FromUtf8(why));
  return {};
}

QString ListWriteFailure(const std::string& path, const std::string& why) {
  return QStringLiteral("无法保存任务列表文件“%1”：%2。").arg(FromUtf8(path), FromUtf8(why));
}

QString ListWriteProtected(const std::string& path) {
  return QStringLiteral("任务列表文件“%1”是只读文件，不能写入（它的权限不会被改动）。").arg(FromUtf8(path));
}

QString ListMissing(const std::string& path) {
  return QStringLiteral("无法读取任务列表文件“%1”：文件不存在。").arg(FromUtf8(path));
}

QString TaskGone(const std::string& path) {
  return QStringLiteral("任务列表文件“%1”中已没有这个任务（它在运行期间被删除了）。").arg(FromUtf8(path));
}

}  // namespace app
