// The x264 speed preset: in the command only when asked for and only for the formats the
// converter encodes with x264 -- which the converter itself is asked about.
#include "task/encoder_preset.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/media.h"
#include "support/task_helpers.h"
#include "task/command_builder.h"

namespace ts = testing_support;

namespace {

task::TaskRecord Clip(const std::string& format, const std::string& preset) {
  task::TaskRecord t = ts::ListedTask(3);
  t.foregroundWidth = 1920, t.foregroundHeight = 1080, t.ratioIndex = 7;
  t.outputFormat = format;
  t.encoderPreset = preset;
  t.ticks[task::kTickAutoBitrate] = t.ticks[task::kTickMute] = 1;
  return t;
}

std::string Command(task::TaskRecord t) {
  const task::BuildEnvironment env{ts::BuiltInEffects(), [](const std::string&) { return false; }, nullptr};
  return task::BuildCommand(t, task::BuildMode::Full, env).text;
}

}  // namespace

// With a preset the command is the one without, with "-preset NAME" before the output; with
// none, a format that does not use x264, or a name x264 does not know, it is the same.
TEST(EncoderPreset, InTheCommandOnlyForX264Formats) {
  const struct {
    const char* format;
    const char* preset;
    bool added;
  } cases[] = {{".mp4", "veryfast", true}, {".MKV", "ultrafast", true}, {".mov", "veryslow", true},
               {".mp4", "", false},        {".avi", "veryfast", false}, {".webm", "fast", false},
               {".gif", "slow", false},    {".mp4", "turbo", false},    {".mp4", "fast -y x", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.format) + " " + c.preset);
    const std::string plain = Command(Clip(c.format, "")), with = Command(Clip(c.format, c.preset));
    std::string expected = plain;
    if (c.added) expected.insert(plain.rfind(" -y \""), std::string(" -preset ") + c.preset);
    EXPECT_EQ(with, expected);
  }
}

// The formats taken for x264 are those the converter encodes with libx264, and no others.
TEST(EncoderPreset, X264FormatsAreTheConvertersOwn) {
  const std::vector<std::string> exts = {".mp4", ".M4V", ".mov", ".mkv", ".avi", ".webm", ".flv"};
  // One converter run writes every format; its stream mapping names each output's encoder.
  std::string outputs;
  for (const std::string& ext : exts) outputs += " '" + ts::TempFolder() + "/out" + ext + "'";
  const std::string log =
      ts::Capture("ffmpeg -hide_banner -nostdin -y -f lavfi -i testsrc=s=64x48:d=0.04" + outputs + " 2>&1");
  for (size_t i = 0; i < exts.size(); ++i) {
    SCOPED_TRACE(exts[i]);
    const size_t at = log.find("-> #" + std::to_string(i) + ":0 (");
    ASSERT_NE(at, std::string::npos) << log;
    const std::string line = log.substr(at, log.find('\n', at) - at);
    EXPECT_EQ(task::EncodesWithX264(exts[i]), line.find("(libx264)") != std::string::npos) << line;
  }
}
