// Whole-file reads, crash-safe replacement and advisory locks, for files that several
// processes (possibly on several machines sharing a folder) read and rewrite.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <random>
#include <set>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace plat {
namespace {

std::string Reason() { return std::strerror(errno); }

std::string NotRegularText() { return "不是普通文件（是设备、管道或其他特殊文件）"; }

std::string TooLargeText(int64_t limit) {
  const std::string size =
      limit >= (1 << 20) ? std::to_string(limit >> 20) + " MB" : std::to_string(limit >> 10) + " KB";
  return "文件大于 " + size + "，超出这类文件的上限";
}

bool WriteAll(int fd, std::string_view bytes) {
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

// Opens `path` only when it is a regular file (O_NONBLOCK: a FIFO is never waited on for a
// writer); -1 with `why` otherwise, errno as open() left it when that failed.
int OpenRegular(const std::string& path, int flags, struct stat* st, std::string* why) {
  const int fd = open(path.c_str(), flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
  if (fd < 0) {
    if (why) *why = Reason();
    return -1;
  }
  std::string refusal;
  if (fstat(fd, st) != 0)
    refusal = Reason();
  else if (S_ISDIR(st->st_mode))
    refusal = std::strerror(EISDIR);
  else if (!S_ISREG(st->st_mode))
    refusal = NotRegularText();
  if (refusal.empty()) return fd;
  close(fd);
  errno = 0;
  if (why) *why = refusal;
  return -1;
}

}  // namespace

bool ReadFile(const std::string& path, std::string* bytes, std::string* why, int64_t limit) {
  bytes->clear();
  struct stat st {};
  const int fd = OpenRegular(path, O_RDONLY, &st, why);
  if (fd < 0) return false;
  std::string refusal;
  if (st.st_size > limit) refusal = TooLargeText(limit);
  // Room for the whole file at once: growing by doubling would hold up to three times its
  // size for a moment. Files of /proc say size 0 and may grow while read: the limit holds for
  // what is read.
  if (refusal.empty()) bytes->reserve(size_t(st.st_size) + 1);
  char buffer[65536];
  while (refusal.empty()) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) refusal = Reason();
    if (n <= 0) break;
    if (int64_t(bytes->size()) + n > limit)
      refusal = TooLargeText(limit);
    else
      bytes->append(buffer, size_t(n));
  }
  close(fd);
  if (refusal.empty()) return true;
  bytes->clear();
  if (why) *why = refusal;
  return false;
}

bool IsRegularOrMissing(const std::string& path, std::string* why) {
  struct stat st {};
  if (stat(path.c_str(), &st) == 0 ? S_ISREG(st.st_mode) : errno == ENOENT) return true;
  if (why) *why = S_ISDIR(st.st_mode) ? std::strerror(EISDIR) : NotRegularText();
  return false;
}

AtomicFile::~AtomicFile() {
  if (fd_ >= 0) close(fd_);
  if (!temp_.empty()) unlink(temp_.c_str());
}

bool AtomicFile::Open(const std::string& path, std::string* why) {
  path_ = path;
  // Only a regular file is replaced: a rename over a device node or a FIFO would put a file in
  // its place.
  if (!IsRegularOrMissing(path, why)) return false;
  // O_EXCL with a name of this process's own: a stray temporary of a killed process is never
  // reused, and a later run knows whose it is (RemoveLeftoversOf).
  for (int attempt = 0; fd_ < 0 && attempt < 100; ++attempt) {
    temp_ = path + "." + OwnerTag() + "-" + std::to_string(attempt) + ".tmp";
    fd_ = open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ < 0 && errno != EEXIST) break;
  }
  if (fd_ < 0) {
    temp_.clear();
    if (why) *why = Reason();
    return false;
  }
  // The new file keeps the old one's permissions (a list shared with a group stays shared).
  struct stat old {};
  if (stat(path.c_str(), &old) == 0) fchmod(fd_, old.st_mode & 07777);
  return true;
}

bool AtomicFile::Write(std::string_view bytes) {
  if (fd_ < 0 || !error_.empty()) return false;
  if (!WriteAll(fd_, bytes)) error_ = Reason();
  return error_.empty();
}

bool AtomicFile::Commit(std::string* why) {
  if (fd_ < 0) return false;
  if (error_.empty() && fsync(fd_) != 0) error_ = Reason();
  if (close(fd_) != 0 && error_.empty()) error_ = Reason();
  fd_ = -1;
  if (error_.empty() && rename(temp_.c_str(), path_.c_str()) != 0) error_ = Reason();
  if (!error_.empty()) {
    if (why) *why = error_;
    return false;  // the destructor removes the temporary
  }
  temp_.clear();
  SyncFolderOf(path_);
  return true;
}

bool WriteFileAtomically(const std::string& path, const std::string& bytes, std::string* why) {
  AtomicFile file;
  return file.Open(path, why) && file.Write(bytes) && file.Commit(why);
}

std::string FileIdentity(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return {};
  return std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino) + ":" + std::to_string(st.st_size) +
         ":" + std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec);
}

bool ReadFileFrom(const std::string& path, int64_t offset, int64_t most, std::string* bytes,
                  std::string* why) {
  bytes->clear();
  struct stat st {};
  const int fd = OpenRegular(path, O_RDONLY, &st, why);
  if (fd < 0) return errno == ENOENT;  // none: nothing appended yet
  std::string refusal;
  if (st.st_size > offset) {
    bytes->resize(size_t(std::min(st.st_size - offset, most)));
    size_t done = 0;
    while (done < bytes->size()) {
      const ssize_t n = pread(fd, bytes->data() + done, bytes->size() - done, off_t(offset + int64_t(done)));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) refusal = Reason();
      if (n <= 0) break;
      done += size_t(n);
    }
    bytes->resize(done);
  }
  close(fd);
  if (refusal.empty()) return true;
  bytes->clear();
  if (why) *why = refusal;
  return false;
}

bool AppendToFile(const std::string& path, const std::string& bytes, std::string* why) {
  struct stat st {};
  const int fd = OpenRegular(path, O_RDWR | O_APPEND | O_CREAT, &st, why);
  if (fd < 0) return false;
  std::string reason;
  // A piece cut short by a full disk earlier is no line: the next one starts on its own.
  std::string piece = bytes;
  char last = '\n';
  if (st.st_size > 0 && pread(fd, &last, 1, st.st_size - 1) == 1 && last != '\n')
    piece.insert(piece.begin(), '\n');
  if (!WriteAll(fd, piece) || fsync(fd) != 0) {
    reason = Reason();
    // Where even that fails, the cut piece stays; readers pass over it.
    [[maybe_unused]] const int cut = ftruncate(fd, st.st_size);
  }
  close(fd);
  if (reason.empty()) return true;
  if (why) *why = reason;
  return false;
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

std::string LinkTarget(const std::string& path) {
  std::string current = path;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st {};
    if (lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
    char buffer[PATH_MAX + 1];
    const ssize_t n = readlink(current.c_str(), buffer, PATH_MAX);
    if (n <= 0) return current;
    const std::string link(buffer, size_t(n));
    const size_t slash = current.rfind('/');
    // A relative link is relative to the folder holding the link.
    current = link.front() == '/' || slash == std::string::npos ? link : current.substr(0, slash + 1) + link;
  }
  return current;
}

bool IsWriteProtected(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && (st.st_mode & 0222) == 0;
}

std::string CreateFreshFile(const std::string& stem, const std::string& extension, size_t testBytes,
                            std::string* why) {
  const size_t slash = stem.rfind('/');
  if (slash != std::string::npos && slash > 0) {
    MakeDirs(stem.substr(0, slash));
    RemoveDeadFreshFiles(stem.substr(0, slash));
  }
  std::random_device device;
  std::mt19937_64 random((uint64_t(device()) << 32) ^ device() ^ uint64_t(getpid()));
  for (int attempt = 0; attempt < 100; ++attempt) {
    char tag[16];
    std::snprintf(tag, sizeof tag, "%08x", unsigned(random() & 0xffffffffu));
    const std::string name = stem + "-" + OwnerTag() + "-" + tag + extension;
    const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno == EEXIST) continue;
    if (fd < 0) break;
    const bool written = WriteAll(fd, std::string(testBytes, '\0')) && ftruncate(fd, 0) == 0;
    const std::string reason = written ? std::string() : Reason();
    close(fd);
    if (written) return name;
    unlink(name.c_str());
    if (why) *why = reason;
    return {};
  }
  if (why) *why = Reason();
  return {};
}

MoveResult MoveToFreeName(const std::string& from, const std::string& to, std::string* why) {
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
    return MoveResult::Moved;
  if (errno == EEXIST) return MoveResult::Taken;
  // File systems without RENAME_NOREPLACE (NFS): a hard link fails on a name in use ...
  if (errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP) {
    if (link(from.c_str(), to.c_str()) == 0) {
      unlink(from.c_str());
      return MoveResult::Moved;
    }
    if (errno == EEXIST) return MoveResult::Taken;
    // ... and where there are no hard links either, the name is taken by an exclusive create
    // before the rename replaces that empty file.
    if (errno == EPERM || errno == EOPNOTSUPP || errno == EXDEV || errno == EMLINK) {
      const int fd = open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (fd < 0 && errno == EEXIST) return MoveResult::Taken;
      if (fd >= 0) {
        close(fd);
        if (rename(from.c_str(), to.c_str()) == 0) return MoveResult::Moved;
        const std::string reason = Reason();
        unlink(to.c_str());
        if (why) *why = reason;
        return MoveResult::Failed;
      }
    }
  }
  if (why) *why = Reason();
  return MoveResult::Failed;
}

std::string HostName() {
  char buffer[HOST_NAME_MAX + 1] = {};
  if (gethostname(buffer, HOST_NAME_MAX) != 0) return "localhost";
  return buffer;
}

pid_t OwnProcessId() { return getpid(); }

std::string ProcessStartMark(pid_t pid) {
  std::string stat, boot;
  if (pid <= 0 || !ReadFile("/proc/" + std::to_string(pid) + "/stat", &stat)) return {};
  ReadFile("/proc/sys/kernel/random/boot_id", &boot);
  while (!boot.empty() && (boot.back() == '\n' || boot.back() == ' ')) boot.pop_back();
  // Field 22 (start time); the name in field 2 may hold blanks, so count after its ")".
  const size_t close = stat.rfind(')');
  if (close == std::string::npos) return {};
  size_t at = close + 1;
  for (int field = 3; field < 22 && at != std::string::npos; ++field) at = stat.find(' ', at + 1);
  if (at == std::string::npos) return {};
  const size_t end = stat.find(' ', at + 1);
  return boot + ":" + stat.substr(at + 1, end == std::string::npos ? std::string::npos : end - at - 1);
}

std::string AbsolutePathIn(const std::string& path, const std::string& folder) {
  if (path.empty()) return {};
  const std::string joined = path[0] == '/' ? path : folder + "/" + path;
  std::vector<std::string> parts;
  size_t start = 1;
  while (start <= joined.size()) {
    size_t end = joined.find('/', start);
    if (end == std::string::npos) end = joined.size();
    const std::string part = joined.substr(start, end - start);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();  // "/.." is "/"
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    start = end + 1;
  }
  std::string out;
  for (const std::string& part : parts) out += "/" + part;
  return out.empty() ? "/" : out;
}

std::string AbsolutePath(const std::string& path) {
  if (path.empty()) return {};
  char buffer[4096];
  if (path[0] != '/' && !::getcwd(buffer, sizeof buffer)) return {};
  return AbsolutePathIn(path, path[0] == '/' ? std::string("/") : std::string(buffer));
}

FileStamp StampOf(const std::string& path) {
  struct stat st;
  if (path.empty() || stat(path.c_str(), &st) != 0) return {};
  return {int64_t(st.st_size), int64_t(st.st_mtim.tv_sec), int64_t(st.st_mtim.tv_nsec)};
}

}  // namespace plat
