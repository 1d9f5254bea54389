// The preview frame against the real conversion of the same task, the few seconds with the
// real encoder, and what a source that is gone gives.
#include "pipeline/preview.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "pipeline/make_task.h"
#include "platform/platform.h"
#include "probe/converter.h"
#include "support/media.h"
#include "support/task_helpers.h"

namespace {

using namespace testing_support;

std::string WriteFile(const std::string& path, const std::string& bytes) {
  EXPECT_TRUE(plat::WriteFileAtomically(path, bytes));
  return path;
}

struct Case {
  const char* name;
  int width, height;
  pipeline::SettingsTemplate settings;
};

TEST(Preview, FrameMatchesTheConversionAtThatMoment) {
  const std::string folder = TempFolder();
  plat::SetProgramFolderForTesting(folder);
  // A high bitrate keeps the encoder's own loss out of the comparison.
  pipeline::SettingsTemplate mirrored;
  mirrored.bitrate = "6000";
  mirrored.mirror = true;
  mirrored.typedSize = 270;
  pipeline::SettingsTemplate copies;
  copies.copies = 3;
  copies.bitrate = "6000";
  pipeline::SettingsTemplate quick;  // a task of its own with 快速背景
  quick.fastBackground = true;
  quick.bitrate = "6000";
  const Case cases[] = {
      {"mirrored", 480, 270, mirrored}, {"copies", 180, 320, copies}, {"quick", 480, 270, quick}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string clip = CopyInto(VideoWithSound(c.width, c.height, 2), folder + "/" + c.name);
    pipeline::WorkerTrial trial(false);
    const pipeline::MadeTask made = pipeline::MakeTask(clip, c.settings, BuiltInEffects(), trial);
    ASSERT_TRUE(made.ok) << made.refusal;

    const ConverterRun run = RunConverter(made.task.commandLine, false, 120000);
    ASSERT_TRUE(run.exited && run.status == 0) << run.output;
    const std::string converted = probe::SplitArguments(made.task.commandLine).back();
    const std::string cut = folder + "/" + c.name + "/cut.png";
    ASSERT_EQ(Shell("ffmpeg -v error -nostdin -y -ss 1.6 -i '" + converted + "' -frames:v 1 '" + cut + "'"),
              0);

    pipeline::PreviewSettings settings;  // these canvases are small: the task's own graph
    const pipeline::PreviewFrame frame =
        pipeline::RenderPreviewFrame(made.task, 1.6, BuiltInEffects(), {}, settings);
    ASSERT_TRUE(frame.image) << frame.error;
    EXPECT_EQ(frame.image->width, made.task.outputWidth);
    EXPECT_EQ(frame.image->height, made.task.outputHeight);
    EXPECT_GE(Ssim(WriteFile(folder + "/" + c.name + "/preview.png", frame.image->bytes), cut), 0.98);
  }
  EXPECT_EQ(ConvertersOwnedBy(folder), 0);
  plat::SetProgramFolderForTesting("");
}

TEST(Preview, ClipHasTheLengthAskedFromAnyMomentAndAGoneSourceIsNamed) {
  const std::string folder = TempFolder();
  plat::SetProgramFolderForTesting(folder);
  const std::string clip = CopyInto(VideoWithSound(320, 180, 8), folder);
  pipeline::SettingsTemplate settings;
  settings.encoderPreset = "ultrafast";
  pipeline::WorkerTrial trial(false);
  const pipeline::MadeTask made = pipeline::MakeTask(clip, settings, BuiltInEffects(), trial);
  ASSERT_TRUE(made.ok) << made.refusal;

  // From a late moment the clip holds what is left of the output, no more.
  const struct { double from, length, expected; } cases[] = {{1, 5, 5}, {5, 2, 2}, {6, 5, 2}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.from);
    const std::string out = folder + "/few.mp4";
    EXPECT_EQ(pipeline::RenderPreviewClip(made.task, c.from, c.length, out, BuiltInEffects()), "");
    const ProbeFacts facts = MediaFacts(out);
    EXPECT_TRUE(facts.hasVideo);
    EXPECT_NEAR(facts.duration, c.expected, 0.15);
    EXPECT_EQ(facts.height, made.task.outputHeight);
  }

  // A moment past the end shows the last frame.
  EXPECT_TRUE(pipeline::RenderPreviewFrame(made.task, 99, BuiltInEffects()).image);

  plat::DeleteFile(clip);
  const pipeline::PreviewFrame gone = pipeline::RenderPreviewFrame(made.task, 1, BuiltInEffects());
  EXPECT_FALSE(gone.image);
  EXPECT_EQ(gone.error, "源文件不存在：" + clip);
  plat::SetProgramFolderForTesting("");
}

// A phone clip (H.264 High 4:4:4) whose marked keyframes past the first cannot be decoded on
// their own: the frame there is decoded from the start and matches the conversion.
TEST(Preview, DecodesExactlyWhereAFastSeekCannot) {
  const std::string clip =
      RealClip("python3-imageio", "usr/lib/python3/dist-packages/imageio/resources/images/cockatoo.mp4");
  const std::string folder = TempFolder() + "/cockatoo";
  plat::SetProgramFolderForTesting(TempFolder());
  pipeline::SettingsTemplate settings;
  settings.typedSize = 360;
  settings.bitrate = "4000";
  settings.encoderPreset = "ultrafast";
  pipeline::WorkerTrial trial(false);
  const pipeline::MadeTask made =
      pipeline::MakeTask(CopyInto(clip, folder), settings, BuiltInEffects(), trial);
  ASSERT_TRUE(made.ok) << made.refusal;
  const ConverterRun run = RunConverter(made.task.commandLine, false, 300000);
  ASSERT_TRUE(run.exited && run.status == 0) << run.output;
  const std::string converted = probe::SplitArguments(made.task.commandLine).back();

  const struct {
    double at;
    bool exact;
  } cases[] = {{1, false}, {12, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.at);
    const std::string cut = folder + "/cut.png";
    ASSERT_EQ(Shell("ffmpeg -v error -nostdin -y -i '" + converted + "' -ss " + std::to_string(c.at) +
                    " -frames:v 1 '" + cut + "'"),
              0);
    const pipeline::PreviewFrame frame = pipeline::RenderPreviewFrame(made.task, c.at, BuiltInEffects());
    ASSERT_TRUE(frame.image) << frame.error;
    EXPECT_EQ(frame.exactSeek, c.exact);
    EXPECT_GE(Ssim(WriteFile(folder + "/preview.png", frame.image->bytes), cut), 0.95);
  }
  plat::SetProgramFolderForTesting("");
}

TEST(Preview, FindsThePngAmongConverterLines) {
  const std::string png =
      Capture("ffmpeg -v error -nostdin -f lavfi -i color=red:s=34x20 -frames:v 1 -f image2pipe -c:v png -");
  const auto found = pipeline::FindPng("a warning line\n" + png + "another line\n");
  ASSERT_TRUE(found);
  EXPECT_EQ(found->bytes, png);
  EXPECT_EQ(found->width, 34);
  EXPECT_EQ(found->height, 20);
  EXPECT_FALSE(pipeline::FindPng(png.substr(0, png.size() - 5)));  // cut short
  EXPECT_FALSE(pipeline::FindPng("no image here"));
}

}  // namespace
