// `flipframe convert --logo`: the real converter's output read back (a half-transparent PNG
// blended in its corner with the margin, also in a preview, and a GIF that plays in a loop in
// another corner), and the bad values and files refused with the program's words.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "support/media.h"
#include "support/program_folder.h"
#include "support/task_helpers.h"

namespace ts = testing_support;
namespace fs = std::filesystem;

namespace {

struct LogoRun {
  int status = -1;
  std::string err;
};

LogoRun ConvertWithLogo(const std::string& args) {
  const std::string err = ts::TempFolder() + "/logo-cli.err";
  LogoRun r;
  r.status =
      ts::Shell("'" + ts::OwnFlipframe() + "' convert " + args + " >/dev/null 2>'" + err + "' </dev/null");
  std::ifstream in(err);
  r.err.assign(std::istreambuf_iterator<char>(in), {});
  return r;
}

// The mean colour of the 6x6 pixels around (x, y) of the frame at `seconds`.
std::array<int, 3> ColourAt(const std::string& video, int width, double seconds, int x, int y) {
  std::string frame = "ffmpeg -v error -ss ";
  frame += std::to_string(seconds) + " -i '" + video + "' -frames:v 1 -f rawvideo -pix_fmt rgb24 -";
  const std::string rgb = ts::Capture(frame);
  std::array<int, 3> sum{};
  for (int dy = -3; dy < 3; ++dy)
    for (int dx = -3; dx < 3; ++dx)
      for (size_t c = 0; c < 3; ++c) {
        const size_t at = (size_t(y + dy) * size_t(width) + size_t(x + dx)) * 3 + c;
        sum[c] += at < rgb.size() ? static_cast<unsigned char>(rgb[at]) : 0;
      }
  for (int& c : sum) c /= 36;
  return sum;
}

void ExpectColour(const std::array<int, 3>& seen, const std::array<int, 3>& wanted,
                  const std::string& where) {
  for (size_t c = 0; c < 3; ++c) EXPECT_NEAR(seen[c], wanted[c], 30) << where << " channel " << c;
}

}  // namespace

// A 180x320 canvas; the logo is 20 % of its width (36 pixels) and 5 % (9 pixels) from its edges.
TEST(LogoCommand, TheLogoIsInItsCornerWithItsMarginAndOpacity) {
  const std::string folder = ts::TempFolder() + "/logo [1]";
  const std::string clip = ts::CopyInto(ts::VideoWithSound(320, 180, 2), folder);
  // Left half opaque red, right half transparent; a GIF green for half a second, then blue.
  const std::string png = folder + "/badge.png", gif = folder + "/badge.gif";
  ASSERT_EQ(
      ts::Shell("ffmpeg -v error -f lavfi -i \"color=s=40x20,format=rgba,geq=r=255:g=0:b=0:a='if(lt(X,20),"
                "255,0)'\" -frames:v 1 '" +
                png + "'"),
      0);
  ASSERT_EQ(ts::Shell("ffmpeg -v error -f lavfi -i \"color=c=0x00ff00:s=20x20:r=10:d=0.5[a];"
                      "color=c=0x0000ff:s=20x20:r=10:d=0.5[b];[a][b]concat=n=2:v=1:a=0\" '" +
                      gif + "'"),
            0);
  const std::string result = folder + "/result/" + fs::path(clip).stem().string() + "_1.mp4";
  const std::string common = "--width 180 --logo-size 20 --logo-margin 5 ";

  // Top right at half opacity over the black band: red blended with black, the transparent
  // half and the other corner still black.
  LogoRun run = ConvertWithLogo(common + "--layout colour:000000 --logo-opacity 50 --logo '" + png + "' '" +
                                clip + "'");
  ASSERT_EQ(run.status, 0) << run.err;
  ExpectColour(ColourAt(result, 180, 0.5, 144, 18), {128, 0, 0}, "red half");
  ExpectColour(ColourAt(result, 180, 0.5, 162, 18), {0, 0, 0}, "transparent half");
  ExpectColour(ColourAt(result, 180, 0.5, 27, 18), {0, 0, 0}, "top left");
  ASSERT_TRUE(fs::remove(result));
  // A preview of a later moment shows it too: the picture is not sought in as the clip is.
  const std::string preview = folder + "/preview.png";
  run = ConvertWithLogo(common + "--layout colour:000000 --logo-opacity 50 --logo '" + png +
                        "' --preview 1.5 " + "--preview-out '" + preview + "' '" + clip + "'");
  ASSERT_EQ(run.status, 0) << run.err;
  ExpectColour(ColourAt(preview, 180, 0, 144, 18), {128, 0, 0}, "preview");

  // Bottom left over a cropped picture: the GIF moves and starts again after its second.
  run =
      ConvertWithLogo(common + "--layout crop --logo-place bottom-left --logo '" + gif + "' '" + clip + "'");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NEAR(ts::MediaFacts(result).duration, 2.0, 0.15);
  const std::array<int, 3> green{0, 255, 0}, blue{0, 0, 255};
  const std::pair<double, std::array<int, 3>> seen[] = {
      {0.25, green}, {0.75, blue}, {1.25, green}, {1.75, blue}};
  for (const auto& [seconds, colour] : seen)
    ExpectColour(ColourAt(result, 180, seconds, 27, 293), colour, "at " + std::to_string(seconds) + " s");
}

TEST(LogoCommand, BadValuesAndFilesAreRefused) {
  const std::string folder = ts::TempFolder() + "/logo-refused";
  const std::string clip = ts::CopyInto(ts::VideoWithSound(320, 180, 1), folder);
  const std::string fifo = folder + "/pipe.png", text = folder + "/notes.png";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::ofstream(text) << "not a picture\n";
  const struct {
    std::string args;
    int status;
    std::string says;
  } rows[] = {
      {"--logo-place top-left", 2, "--logo-place 需要与 --logo 一起使用"},
      {"--logo '' ", 2, "--logo 需要一个图片或 GIF 文件"},
      {"--logo x.png --logo-place middle", 2,
       "--logo-place 取 top-left、top-right、bottom-left 或 bottom-right"},
      {"--logo x.png --logo-size 0", 2, "--logo-size 须为 1 到 100 之间的整数，而不是“0”"},
      {"--logo x.png --logo-margin 51", 2, "--logo-margin 须为 0 到 50 之间的整数"},
      {"--logo x.png --logo-opacity 50%", 2, "--logo-opacity 须为 1 到 100 之间的整数"},
      {"--logo '" + folder + "/gone.png'", 1, "gone.png”：该文件为空文件或被占用"},
      {"--logo '" + fifo + "'", 1, "pipe.png”：该文件为空文件或被占用"},
      {"--logo '" + text + "'", 1, "notes.png”必须为图片（PNG、JPG）或 GIF 动画文件"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.args);
    const LogoRun run = ConvertWithLogo("--dry-run " + r.args + " '" + clip + "'");
    EXPECT_EQ(run.status, r.status);
    EXPECT_TRUE(ts::Has(run.err, r.says));
  }
  EXPECT_FALSE(fs::exists(folder + "/result/" + fs::path(clip).stem().string() + "_1.mp4"));
}
