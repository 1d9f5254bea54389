// Whole-file reads, crash-safe replacement and advisory locks, for files that several
// processes (possibly on several machines sharing a folder) read and rewrite.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/platform.h"

namespace plat {
namespace {

std::string Reason() { return std::strerror(errno); }

bool WriteAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += size_t(n);
  }
  return true;
}

// The folder's entry for the renamed file reaches the disk only when the folder is synced.
void SyncFolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

}  // namespace

bool ReadFile(const std::string& path, std::string* bytes, std::string* why) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (why) *why = Reason();
    return false;
  }
  bytes->clear();
  char buffer[65536];
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      if (why) *why = Reason();
      close(fd);
      return false;
    }
    if (n == 0) break;
    bytes->append(buffer, size_t(n));
  }
  close(fd);
  return true;
}

bool WriteFileAtomically(const std::string& path, const std::string& bytes, std::string* why) {
  // O_EXCL with a per-process name: a stray temporary of a killed process is never reused.
  std::string temp;
  int fd = -1;
  for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
    temp = path + "." + std::to_string(getpid()) + "-" + std::to_string(attempt) + ".tmp";
    fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) {
    if (why) *why = Reason();
    return false;
  }
  const bool written = WriteAll(fd, bytes) && fsync(fd) == 0;
  std::string reason = written ? std::string() : Reason();
  if (close(fd) != 0 && written) reason = Reason();
  if (reason.empty() && rename(temp.c_str(), path.c_str()) != 0) reason = Reason();
  if (!reason.empty()) {
    unlink(temp.c_str());
    if (why) *why = reason;
    return false;
  }
  SyncFolderOf(path);
  return true;
}

int LockFile(const std::string& lockPath, std::string* why) {
  const int fd = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) {
    if (why) *why = Reason();
    return -1;
  }
  while (flock(fd, LOCK_EX) != 0) {
    if (errno == EINTR) continue;
    if (why) *why = Reason();
    close(fd);
    return -1;
  }
  return fd;
}

void UnlockFile(int fd) {
  if (fd < 0) return;
  flock(fd, LOCK_UN);
  close(fd);
}

std::string AbsolutePath(const std::string& path) {
  if (path.empty() || path[0] == '/') return path;
  char buffer[4096];
  if (!::getcwd(buffer, sizeof buffer)) return {};
  std::string folder = buffer;
  if (folder.back() != '/') folder += '/';
  return folder + (path.rfind("./", 0) == 0 ? path.substr(2) : path);
}

FileStamp StampOf(const std::string& path) {
  struct stat st;
  if (path.empty() || stat(path.c_str(), &st) != 0) return {};
  return {int64_t(st.st_size), int64_t(st.st_mtim.tv_sec), int64_t(st.st_mtim.tv_nsec)};
}

}  // namespace plat
