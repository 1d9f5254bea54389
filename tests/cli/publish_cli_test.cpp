// `flipframe convert` with a publishing target and band texts: the real converter's output
// read back (size, rate, faststart, length, the title's pixels in its band), the length
// limit's choice, and the targets list with an entry that cannot be used.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/platform.h"
#include "support/media.h"
#include "support/program_folder.h"
#include "support/task_helpers.h"

namespace ts = testing_support;
namespace fs = std::filesystem;

namespace {

// A small target beside the test's own program (it reads targets.ini from its folder), and
// an entry that cannot be used.
void WriteTargets() {
  std::ofstream(ts::OwnProgramFolder() + "/targets.ini")
      << "[small]\nlabel = 小 9:16\nsize = 180x320\nfps = 10\nvideo = libx264\nvideo-kbps = 400\n"
         "audio = aac\naudio-kbps = 64\nfaststart = yes\nmax-seconds = 1\n\n"
         "[broken]\nsize = 180x320\nvideo = libx264; rm -rf /\naudio = aac\n";
}

struct CliOutcome {
  int status = -1;
  std::string out, err;
};

CliOutcome Convert(const std::string& args) {
  const std::string base = ts::TempFolder() + "/publish-cli";
  CliOutcome r;
  r.status = ts::Shell("'" + ts::OwnFlipframe() + "' convert " + args + " >'" + base + ".out' 2>'" + base +
                       ".err' </dev/null");
  std::ifstream out(base + ".out"), err(base + ".err");
  r.out.assign(std::istreambuf_iterator<char>(out), {});
  r.err.assign(std::istreambuf_iterator<char>(err), {});
  return r;
}

// Bright pixels (the white title) in rows [from, to) of the first frame, as grey levels.
int BrightPixels(const std::string& video, int width, int from, int to) {
  const std::string grey =
      ts::Capture("ffmpeg -v error -i '" + video + "' -frames:v 1 -f rawvideo -pix_fmt gray -");
  int bright = 0;
  for (size_t at = size_t(from) * width; at < size_t(to) * width && at < grey.size(); ++at)
    bright += static_cast<unsigned char>(grey[at]) > 200;
  return bright;
}

}  // namespace

TEST(PublishCommand, TargetAndTitleAreInTheOutput) {
  WriteTargets();
  const std::string folder = ts::TempFolder() + "/publish: now [1]";
  const std::string clip = ts::CopyInto(ts::VideoWithSound(320, 180, 2), folder);

  const CliOutcome refused = Convert("--target small '" + clip + "'");
  EXPECT_EQ(refused.status, 1);
  EXPECT_TRUE(ts::Has(refused.err, "超过发布目标“小 9:16”的时长上限 1 秒：用 --over-limit cut"));

  const CliOutcome run = Convert(
      "--target small --over-limit cut --layout colour:000000 --title '{name} %{pts}' '" + clip + "'");
  ASSERT_EQ(run.status, 0) << run.err;
  const std::string result = folder + "/result/" + fs::path(clip).stem().string() + "_1.mp4";
  const ts::ProbeFacts facts = ts::MediaFacts(result);
  EXPECT_EQ(facts.width, 180);
  EXPECT_EQ(facts.height, 320);
  EXPECT_NEAR(facts.duration, 1.0, 0.15);
  EXPECT_TRUE(facts.hasAudio);
  EXPECT_EQ(ts::Capture("ffprobe -v error -select_streams v -show_entries stream=r_frame_rate,codec_name -of "
                        "csv=p=0 '" +
                        result + "'"),
            "h264,10/1\n");
  // +faststart: the index (moov) comes before the media (mdat).
  std::ifstream in(result, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), {});
  EXPECT_LT(bytes.find("moov"), bytes.find("mdat"));
  // The foreground fills rows 109..210 (180 x 101); the title sits in the black band above.
  EXPECT_GT(BrightPixels(result, 180, 0, 100), 20);
  EXPECT_EQ(BrightPixels(result, 180, 220, 320), 0);  // no caption asked for
  EXPECT_EQ(ts::Capture("ls '" + folder + "/result'"), fs::path(result).filename().string() + "\n");
}

TEST(PublishCommand, TargetsAreListedAndUnknownOnesRefused) {
  WriteTargets();
  const CliOutcome list = Convert("--targets");
  EXPECT_EQ(list.status, 0);
  EXPECT_TRUE(ts::Has(list.out, "small"));
  EXPECT_TRUE(ts::Lacks(list.out, "broken"));
  EXPECT_TRUE(ts::Has(list.err, "发布目标“broken”（第12行）：视频编码"));
  const CliOutcome unknown = Convert("--target broken x.mp4");
  EXPECT_EQ(unknown.status, 2);
  EXPECT_TRUE(ts::Has(unknown.err, "没有名为“broken”的发布目标"));
  EXPECT_EQ(Convert("--target small --ratio 9:16 x.mp4").status, 2);
}
