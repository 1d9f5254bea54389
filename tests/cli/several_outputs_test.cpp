// `flipframe convert` with --target given three times: one converter run makes the three
// outputs (each read back for its size, rate and codec, named by its shape), an output that
// is no result fails the task and leaves none of its outputs, a target of the clip's own shape
// re-encodes it, and a setting that only one output could have is refused.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/platform.h"
#include "support/media.h"
#include "support/program_folder.h"

namespace ts = testing_support;

namespace {

// Three small targets, and a converter beside the program that notes each start and runs the
// real one; with BREAK_SECOND set it spoils the second output of a run of several, as a
// converter could not be made to on demand.
void PrepareOutputsProgram() {
  const std::string folder = ts::OwnProgramFolder();
  std::ofstream(folder + "/targets.ini")
      << "[tall]\nsize = 180x320\nfps = 10\nvideo = libx264\naudio = aac\naudio-kbps = 64\nfaststart = yes\n"
         "[square]\nsize = 240x240\nfps = 15\nvideo = libx264\naudio = aac\n"
         "[wide]\nsize = 320x180\nvideo = libx264\naudio = aac\n";
  const std::string converter = folder + "/ffmpeg";
  std::ofstream(converter) << "#!/bin/sh\n"
                              "echo \"$*\" >> '" +
                                  folder + "/starts.log'\n'" + plat::FindOnPath("ffmpeg") +
                                  "' \"$@\" || exit $?\n"
                                  "if [ -n \"$BREAK_SECOND\" ]; then n=0; previous=\n"
                                  "  for word; do [ \"$previous\" = -y ] && n=$((n+1)) && [ $n = 2 ] && "
                                  "echo spoilt > \"$word\"; previous=$word; done\n"
                                  "fi\n";
  std::filesystem::permissions(converter, std::filesystem::perms::owner_all);
  std::ofstream(folder + "/starts.log", std::ios::trunc);
}

// Conversions the converter was started for (probes and trials left out).
int OutputsConversionStarts() {
  std::ifstream in(ts::OwnProgramFolder() + "/starts.log");
  int starts = 0;
  for (std::string line; std::getline(in, line);)
    starts +=
        line.find("-filter_complex") != std::string::npos && line.find("00:00:00.001") == std::string::npos;
  return starts;
}

int ConvertOutputs(const std::string& args, std::string* err = nullptr) {
  const std::string log = ts::TempFolder() + "/outputs-cli.err";
  const int status = ts::Shell(args.substr(0, args.find('|')) + " '" + ts::OwnFlipframe() + "' convert " +
                               args.substr(args.find('|') + 1) + " >/dev/null 2>'" + log + "' </dev/null");
  std::ifstream in(log);
  if (err) err->assign(std::istreambuf_iterator<char>(in), {});
  return status;
}

std::string OutputVideoFacts(const std::string& file) {
  return ts::Capture(
      "ffprobe -v error -select_streams v -show_entries stream=codec_name,width,height,r_frame_rate -of "
      "csv=p=0 '" +
      file + "'");
}

}  // namespace

TEST(SeveralOutputs, OneRunMakesEachTargetsFile) {
  PrepareOutputsProgram();
  const std::string folder = ts::CurrentTestFolder("outputs ");
  const std::string clip = ts::CopyInto(ts::VideoWithSound(320, 180, 2), folder);
  const std::string stem = std::filesystem::path(clip).stem().string();
  std::string err;
  ASSERT_EQ(ConvertOutputs("|--target tall --target square --target wide '" + clip + "'", &err), 0) << err;
  EXPECT_EQ(OutputsConversionStarts(), 1);
  const struct {
    const char* shape;
    const char* facts;
  } outputs[] = {
      {"9x16", "h264,180,320,10/1\n"}, {"1x1", "h264,240,240,15/1\n"}, {"16x9", "h264,320,180,25/1\n"}};
  std::string listing;
  for (const auto& o : outputs) {
    SCOPED_TRACE(o.shape);
    const std::string name = stem + "_" + o.shape + "_1.mp4";
    listing += name + "\n";
    EXPECT_EQ(OutputVideoFacts(folder + "/result/" + name), o.facts);
    const ts::ProbeFacts facts = ts::MediaFacts(folder + "/result/" + name);
    EXPECT_NEAR(facts.duration, 2.0, 0.15);
    EXPECT_TRUE(facts.hasAudio);
  }
  EXPECT_EQ(ts::Capture("ls -1 '" + folder + "/result' | sort"),
            ts::Capture("printf '" + listing + "' | sort"));

  // One output spoilt: the task fails and none of this run's outputs is left.
  ASSERT_EQ(ConvertOutputs("BREAK_SECOND=1|--target tall --target square --target wide '" + clip + "'", &err),
            1);
  EXPECT_NE(err.find("输出错误"), std::string::npos) << err;
  EXPECT_EQ(ts::Capture("ls -1 '" + folder + "/result' | sort"),
            ts::Capture("printf '" + listing + "' | sort"));
}

TEST(SeveralOutputs, OwnShapeIsReencodedAndSingleOnlySettingsRefused) {
  PrepareOutputsProgram();
  const std::string folder = ts::CurrentTestFolder("own shape ");
  const std::string clip = ts::CopyInto(ts::VideoWithSound(320, 180, 1), folder);
  std::string err;
  ASSERT_EQ(ConvertOutputs("|--target wide '" + clip + "'", &err), 0) << err;
  EXPECT_EQ(OutputVideoFacts(folder + "/result/" + std::filesystem::path(clip).stem().string() + "_1.mp4"),
            "h264,320,180,25/1\n");

  const struct {
    std::string args, says;
    int status;
  } refused[] = {
      {"--target tall --target square --effects 1", "同时输出多个发布目标时不能使用特效", 1},
      {"--target tall --target tall", "给出了两次", 1},
      {"--target tall --target nowhere", "没有名为“nowhere”的发布目标", 2},
      {"--target tall --target square --ratio 9:16", "不能与 --ratio 一起使用", 2},
  };
  for (const auto& r : refused) {
    SCOPED_TRACE(r.args);
    EXPECT_EQ(ConvertOutputs("|" + r.args + " '" + clip + "'", &err), r.status);
    EXPECT_NE(err.find(r.says), std::string::npos) << err;
  }
  EXPECT_EQ(ts::Capture("ls '" + folder + "/result'"),
            std::filesystem::path(clip).stem().string() + "_1.mp4\n");

  // A logo sits in the top right corner of each output, in its own size.
  const std::string logoFolder = folder + "/logo", red = logoFolder + "/red.png";
  const std::string logoClip = ts::CopyInto(clip, logoFolder);
  ASSERT_EQ(ts::Shell("ffmpeg -v error -f lavfi -i color=red:s=40x40 -frames:v 1 '" + red + "'"), 0);
  ASSERT_EQ(ConvertOutputs("|--target tall --target square --logo '" + red + "' '" + logoClip + "'", &err), 0)
      << err;
  const std::string stem = logoFolder + "/result/" + std::filesystem::path(clip).stem().string();
  for (const auto& [output, width] :
       {std::pair{stem + "_9x16_1.mp4", 180}, std::pair{stem + "_1x1_1.mp4", 240}}) {
    SCOPED_TRACE(output);
    // The logo is 15 % of the width, 3 % in from the edges: a point inside it.
    const int x = width - width * 3 / 100 - width * 15 / 200, y = width * 3 / 100 + width * 15 / 200;
    const std::string rgb =
        ts::Capture("ffmpeg -v error -i '" + output + "' -frames:v 1 -vf crop=2:2:" + std::to_string(x) +
                    ":" + std::to_string(y) + " -f rawvideo -pix_fmt rgb24 -");
    ASSERT_EQ(rgb.size(), 12u);
    EXPECT_GT(uint8_t(rgb[0]), 200);
    EXPECT_LT(uint8_t(rgb[1]), 60);
  }
}
