// Files read whole or replaced whole: only regular files are, each kind within its limit;
// a FIFO or a device is refused at once, never waited on, read without end or replaced.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "platform/crash_report.h"
#include "platform/platform.h"
#include "store/session_list.h"
#include "support/media.h"

namespace ts = testing_support;

TEST(WholeFiles, OnlyRegularFilesWithinTheirLimitAreReadOrReplaced) {
  const std::string folder = ts::TempFolder() + "/whole-files";
  const std::string small = folder + "/small.txt", fifo = folder + "/fifo", big = folder + "/big.txt";
  const std::string toNull = folder + "/null.png", toZero = folder + "/session.json";
  plat::MakeDirs(folder);
  ASSERT_TRUE(plat::WriteFileAtomically(small, "text"));
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  ASSERT_EQ(ts::Shell("truncate -s 200M '" + big + "' && ln -s /dev/null '" + toNull +
                      "' && ln -s /dev/zero '" + toZero + "'"),
            0);
  const struct {
    const char* name;
    std::string path;
    bool read;
    const char* why;
  } cases[] = {
      {"regular file", small, true, ""},
      {"device", "/dev/zero", false, "不是普通文件"},
      {"link to a device", toZero, false, "不是普通文件"},
      {"FIFO", fifo, false, "不是普通文件"},
      {"folder", folder, false, "Is a directory"},
      {"crash report of 200 MB", big, false, "文件大于 1 MB"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string text, why;
    EXPECT_EQ(crash::ReadReport(c.path, &text, &why), c.read);
    EXPECT_NE(why.find(c.why), std::string::npos) << why;
    EXPECT_EQ(text, c.read ? "text" : "");
  }

  // Replacing: a FIFO or a link to a device stays what it is, and nothing is left beside it.
  for (const std::string& path : {fifo, toNull}) {
    std::string why;
    EXPECT_FALSE(plat::WriteFileAtomically(path, "png", &why)) << path;
    EXPECT_NE(why.find("不是普通文件"), std::string::npos) << why;
  }
  struct stat st {};
  EXPECT_TRUE(stat(fifo.c_str(), &st) == 0 && S_ISFIFO(st.st_mode));
  EXPECT_TRUE(lstat(toNull.c_str(), &st) == 0 && S_ISLNK(st.st_mode));

  // The window's session list as a link to /dev/zero: refused when read and when written,
  // with no lock made beside the device.
  const app::SessionFiles session{toZero, ""};
  const app::LoadedTaskList previous = app::LoadPreviousSession(session);
  EXPECT_TRUE(previous.error.contains(QStringLiteral("不是普通文件"))) << previous.error.toStdString();
  EXPECT_TRUE(app::WriteSessionList(toZero, {}).contains(QStringLiteral("不是普通文件")));
  EXPECT_FALSE(plat::FileExists("/dev/.zero.lock"));
  EXPECT_EQ(ts::Capture("ls '" + folder + "' | grep -c tmp"), "0\n");
}
