// Started without a usable display, flipframe says so in one line and exits non-zero.
#include <gtest/gtest.h>

#include <string>

#include "platform/platform.h"
#include "support/media.h"

using testing_support::Capture;

namespace {

// Runs the real binary with the given environment changes; returns stderr+stdout and status.
std::string RunFlipframe(const std::string& env, int* status) {
  std::string out = Capture("env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " + env + " \"" + FLIPFRAME_BINARY +
                            "\" 2>&1; echo \"status=$?\"");
  size_t at = out.rfind("status=");
  *status = std::stoi(out.substr(at + 7));
  return out.substr(0, at);
}

}  // namespace

TEST(Display, LocalSocketsAndRemoteNames) {
  EXPECT_FALSE(plat::LocalX11DisplayReachable(":987"));  // nothing listens there
  EXPECT_FALSE(plat::LocalX11DisplayReachable("unix:987.0"));
  EXPECT_FALSE(plat::LocalX11DisplayReachable("garbage"));
  EXPECT_FALSE(plat::LocalX11DisplayReachable(":x"));
  EXPECT_TRUE(plat::LocalX11DisplayReachable("otherhost:0"));  // remote: left to the toolkit
}

TEST(Display, NoDisplayGivesOneClearLine) {
  for (const char* env : {"-u DISPLAY", "DISPLAY=:987"}) {
    int status = 0;
    std::string out = RunFlipframe(env, &status);
    EXPECT_EQ(status, 1) << env;
    EXPECT_EQ(out,
              "flipframe: 找不到显示器（DISPLAY 未设置，或它的 X 服务器没有应答）；请在桌面会话中启动。\n")
        << env;
  }
}
