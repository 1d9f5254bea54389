// The pieces that steer the converter's crop: the window, the sendcmd lines (half a frame
// early, whole microseconds, nothing while standing still) and the layout texts.
#include <gtest/gtest.h>

#include "reframe/crop_command.h"
#include "task/layout.h"

using namespace reframe;

TEST(CropCommand, WindowKeepsTheCanvasAspectAlongTheLongerSide) {
  const CropWindow across = WindowFor(1920, 1080, 1080, 1920);
  EXPECT_TRUE(across.across);
  EXPECT_EQ(across.width, 608);
  EXPECT_EQ(across.height, 1080);
  EXPECT_EQ(across.travel, 1312);
  const CropWindow down = WindowFor(1080, 1920, 1920, 1080);
  EXPECT_FALSE(down.across);
  EXPECT_EQ(down.width, 1080);
  EXPECT_EQ(down.height, 608);
}

TEST(CropCommand, SendcmdLinesComeHalfAFrameEarlyAndOnlyOnChange) {
  const std::vector<FramePlace> frames = {
      {0.0, 10, false}, {0.04, 10, false}, {0.08, 12, false}, {0.12, 12, true}, {1.0, 13, true}};
  EXPECT_EQ(SendcmdText(frames, true, 25, 1096),
            "0.000000 crop@follow x 10, overlay@followmix x 0;\n"
            "0.060000 crop@follow x 12;\n"
            "0.100000 overlay@followmix x 1096;\n"
            "0.980000 crop@follow x 13;\n");
  EXPECT_TRUE(ShowsBlurredLook(SendcmdText(frames, true, 25, 1096)));
  // 29.97 frames a second: 1/59.94 s early, cut (not rounded) to whole microseconds. Without a
  // frame that falls back the graph has no blurred look to steer.
  EXPECT_EQ(SendcmdText({{1.0, 5, false}}, false, 29.97, 0), "0.983316 crop@follow y 5;\n");
  EXPECT_FALSE(ShowsBlurredLook(SendcmdText({{1.0, 5, false}}, false, 29.97, 0)));
}

TEST(CropCommand, PathsAreEscapedForTheOptionAndQuotedForTheGraph) {
  EXPECT_EQ(FilterPathText("/a b/c.txt"), "'/a b/c.txt'");
  EXPECT_EQ(FilterPathText("/x:y,z'w\\v"), "'/x\\:y,z\\'\\''w\\\\v'");
}

TEST(Layout, TextsRoundTripAndBadOnesAreRefused) {
  for (const char* text : {"blur", "colour:1A2B3C", "crop:0", "crop:100", "follow"})
    EXPECT_EQ(task::LayoutText(*task::ParseLayout(text)), text);
  EXPECT_EQ(task::LayoutText(*task::ParseLayout("color:ff00aa")), "colour:FF00AA");
  EXPECT_EQ(task::LayoutText(*task::ParseLayout("crop")), "crop:50");
  EXPECT_EQ(task::LayoutText(*task::ParseLayout("colour")), "colour:000000");
  for (const char* bad :
       {"", "zoom", "crop:101", "crop:-1", "crop:", "colour:12345", "colour:GG0000", "follow:1"})
    EXPECT_FALSE(task::ParseLayout(bad)) << bad;
  EXPECT_NE(task::LayoutCopiesProblem(*task::ParseLayout("follow"), 2), "");
  EXPECT_EQ(task::LayoutCopiesProblem(*task::ParseLayout("colour"), 3), "");
}
