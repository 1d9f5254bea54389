// Whole-file reads never wait on a FIFO, and nothing of such an attempt reaches a converter
// started afterwards.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "platform/platform.h"
#include "support/media.h"

// Whole-file reads take regular files only and never wait on a FIFO (it would hold the read,
// and its descriptor, open); nothing of the attempt reaches a child started afterwards.
TEST(PlatformFiles, AFifoIsRefusedAtOnceAndNothingOfItIsInherited) {
  const std::string fifo = testing_support::TempFolder() + "/held-open.fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::string bytes;
  EXPECT_FALSE(plat::ReadFile(fifo, &bytes));  // no writer: a blocking open would hang here

  plat::Child child = plat::StartWithCapture({"/bin/sh", "-c", "ls -l /proc/$$/fd"});
  ASSERT_TRUE(child.started());
  std::string inherited;
  char buffer[4096];
  for (int n; (n = plat::ReadSome(child.readFd, buffer, sizeof buffer)) > 0;)
    inherited.append(buffer, size_t(n));
  plat::CloseFd(child.readFd);
  plat::ReapChild(child.pid, 5000);
  EXPECT_NE(inherited.find("/dev/null"), std::string::npos) << inherited;  // the listing worked
  EXPECT_EQ(inherited.find("held-open.fifo"), std::string::npos) << inherited;
}
