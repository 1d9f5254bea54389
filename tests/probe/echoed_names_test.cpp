// File names that the converter echoes ("from '<path>':") hold its own words: the parser
// must read the stream description, never the path. Real converter, generated media.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "probe/probe_file.h"
#include "support/media.h"

namespace ts = testing_support;

TEST(ProbeEchoedNames, APathNeverStandsInForTheConvertersWords) {
  const std::string folder = ts::TempFolder() + "/echoed";
  std::filesystem::create_directories(folder);
  struct Row {
    std::string name;
    bool sound;
  } rows[] = {
      {"x Duration: 12.mp4", true},
      {"p: Audio: q.mp4", false},  // silent, yet the name says Audio
      {"x, 1x2, y fps, .mp4", true},
      {"Invalidated mirror_errors terror a pal8, b failed! errer.mp4", true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string path = folder + "/" + row.name;
    std::filesystem::copy_file(
        row.sound ? ts::VideoWithSound(320, 180, 2) : ts::VideoWithoutSound(320, 180, 2), path);
    const probe::ProbeOutcome out = probe::ProbeFile(path);
    ASSERT_EQ(out.status, probe::ProbeStatus::Parsed);
    EXPECT_EQ(out.info.duration, "00:00:02.00");
    EXPECT_EQ(out.info.frameRate, "25");
    EXPECT_EQ(out.info.kind, row.sound ? 5 : 3);
    EXPECT_EQ(out.info.width, 320);
    EXPECT_EQ(out.info.height, 180);
    EXPECT_EQ(out.info.audioCodec, row.sound ? "aac" : "");
  }
}
