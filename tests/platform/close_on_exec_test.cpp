// A descriptor the program opens to read a file is never inherited by a converter started
// meanwhile on another thread. The file is a FIFO, so the read is held open while a child
// lists what it inherited.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "platform/platform.h"
#include "support/media.h"

TEST(PlatformFiles, AWholeFileReadIsNotInheritedByAChildStartedMeanwhile) {
  const std::string fifo = testing_support::TempFolder() + "/held-open.fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::string bytes;
  bool read = false;
  std::thread reader([&] { read = plat::ReadFile(fifo, &bytes); });
  // Opening the writing side returns once the reader has its descriptor.
  const int writer = open(fifo.c_str(), O_WRONLY | O_CLOEXEC);
  ASSERT_GE(writer, 0);

  plat::Child child = plat::StartWithCapture({"/bin/sh", "-c", "ls -l /proc/$$/fd"});
  ASSERT_TRUE(child.started());
  std::string inherited;
  char buffer[4096];
  for (int n; (n = plat::ReadSome(child.readFd, buffer, sizeof buffer)) > 0;)
    inherited.append(buffer, size_t(n));
  plat::CloseFd(child.readFd);
  plat::ReapChild(child.pid, 5000);

  ASSERT_EQ(write(writer, "x", 1), 1);
  close(writer);
  reader.join();
  EXPECT_TRUE(read);
  EXPECT_EQ(bytes, "x");
  EXPECT_NE(inherited.find("/dev/null"), std::string::npos) << inherited;  // the listing worked
  EXPECT_EQ(inherited.find("held-open.fifo"), std::string::npos) << inherited;
}
