// `convert --layout`: the four forms, and the usage errors (an unknown layout, copies with a
// crop layout) that end the command with status 2 before any file is touched.
#include <gtest/gtest.h>

#include "cli/convert_options.h"

TEST(ConvertLayout, ParsesEachFormAndRefusesCopiesWithACrop) {
  struct Case {
    std::vector<std::string> args;
    const char* layout;  // nullptr: a usage error
  };
  const Case cases[] = {
      {{"a.mp4"}, "blur"},
      {{"--layout", "colour:00ff00", "a.mp4"}, "colour:00FF00"},
      {{"--layout", "crop:20", "--copies", "1", "a.mp4"}, "crop:20"},
      {{"--layout", "follow", "a.mp4"}, "follow"},
      {{"--layout", "colour", "--copies", "3", "a.mp4"}, "colour:000000"},
      {{"--layout", "follow", "--copies", "2", "a.mp4"}, nullptr},
      {{"--copies", "2", "--layout", "crop", "a.mp4"}, nullptr},
      {{"--layout", "zoom", "a.mp4"}, nullptr},
  };
  for (const Case& c : cases) {
    const pipeline::ConvertRequest r = pipeline::ParseConvertArguments(c.args);
    if (!c.layout) {
      EXPECT_NE(r.error, "") << c.args[1];
      continue;
    }
    EXPECT_EQ(r.error, "") << c.args[0];
    EXPECT_EQ(task::LayoutText(r.settings.layout), c.layout);
  }
}
