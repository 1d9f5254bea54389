// `flipframe convert --logo`: the real converter's output read back (a half-transparent PNG
// blended in its corner with the margin, also in a preview, and a GIF that plays in a loop in
// another corner), and the bad values and files refused with the program's words.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

#include "support/media.h"
#include "support/program_folder.h"
#include "support/task_helpers.h"

namespace ts = testing_support;

namespace {

// What `flipframe convert ARGS` wrote on standard error, then its exit status (" 0\n").
std::string ConvertWithLogo(const std::string& args) {
  std::string command = "'" + ts::OwnFlipframe() + "' convert ";
  command += args + " 2>&1 >/dev/null </dev/null; echo \" $?\"";
  return ts::Capture(command);
}

// The mean colour of the 6x6 pixels around (x, y) of the frame at `seconds` is near `wanted`.
void ExpectColour(const std::string& picture, double seconds, int x, int y, std::array<int, 3> wanted) {
  std::string command = "ffmpeg -v error -ss " + std::to_string(seconds) + " -i '";
  command += picture + "' -vf crop=6:6:" + std::to_string(x - 3) + ":" + std::to_string(y - 3);
  command += ",scale=1:1:flags=area -frames:v 1 -f rawvideo -pix_fmt rgb24 -";
  const std::string rgb = ts::Capture(command);
  ASSERT_EQ(rgb.size(), 3u) << command;
  for (size_t c = 0; c < 3; ++c)
    EXPECT_NEAR(static_cast<unsigned char>(rgb[c]), wanted[c], 30) << x << "," << y << " at " << seconds;
}

}  // namespace

// A 180x320 canvas; the logo is 20 % of its width (36 pixels) and 5 % (9 pixels) from its edges.
TEST(LogoCommand, TheLogoIsInItsCornerWithItsMarginAndOpacity) {
  const std::string folder = ts::TempFolder() + "/logo [1]";
  const std::string clip = ts::CopyInto(ts::VideoWithSound(320, 180, 2), folder);
  // Left half opaque red, right half transparent; a GIF green for half a second, then blue.
  const std::string png = folder + "/badge.png", gif = folder + "/badge.gif";
  std::string make =
      "ffmpeg -v error -f lavfi -i \"color=s=40x20,format=rgba,geq=r=255:g=0:b=0:a='255*lt(X,20)'\"";
  make +=
      " -frames:v 1 '" + png + "' && ffmpeg -v error -f lavfi -i \"color=c=0x00ff00:s=20x20:r=10:d=0.5[a];";
  make += "color=c=0x0000ff:s=20x20:r=10:d=0.5[b];[a][b]concat\" '" + gif + "'";
  ASSERT_EQ(ts::Shell(make), 0);
  const std::string result = folder + "/result/" + std::filesystem::path(clip).stem().string() + "_1.mp4";
  const std::string preview = folder + "/preview.png",
                    red = "--layout colour:000000 --logo-opacity 50 --logo '" + png;
  const std::array<int, 3> black{0, 0, 0}, halfRed{128, 0, 0}, green{0, 255, 0}, blue{0, 0, 255};
  const struct {
    std::string args, picture;
    std::vector<std::tuple<double, int, int, std::array<int, 3>>> samples;  // seconds, x, y, colour
  } runs[] = {
      // Top right at half opacity over the black band: red blended with black, the transparent
      // half and the other corner still black; a preview of a later moment shows it too.
      {red + "'", result, {{0.5, 144, 18, halfRed}, {0.5, 162, 18, black}, {0.5, 27, 18, black}}},
      {red + "' --preview 1.5 --preview-out '" + preview + "'", preview, {{0, 144, 18, halfRed}}},
      // Bottom left over a cropped picture: the GIF moves and starts again after its second.
      {"--layout crop --logo-place bottom-left --logo '" + gif + "'",
       result,
       {{0.25, 27, 293, green}, {0.75, 27, 293, blue}, {1.25, 27, 293, green}, {1.75, 27, 293, blue}}},
  };
  for (const auto& run : runs) {
    std::filesystem::remove(result);
    const std::string said =
        ConvertWithLogo("--width 180 --logo-size 20 --logo-margin 5 " + run.args + " '" + clip + "'");
    EXPECT_TRUE(said.ends_with(" 0\n")) << said;
    for (const auto& [seconds, x, y, colour] : run.samples) ExpectColour(run.picture, seconds, x, y, colour);
  }
}

TEST(LogoCommand, BadValuesAndFilesAreRefused) {
  const std::string folder = ts::CurrentTestFolder();
  const std::string clip = ts::CopyInto(ts::VideoWithSound(320, 180, 1), folder);
  ASSERT_EQ(mkfifo((folder + "/pipe.png").c_str(), 0600), 0);
  std::ofstream(folder + "/notes.png") << "not a picture\n";
  const std::pair<std::string, std::string> rows[] = {
      {"--logo-place top-left",
       "--logo-place 需要与 --logo 一起使用\n用法见 'flipframe convert --help'。\n 2\n"},
      {"--logo x.png --logo-place middle",
       "--logo-place 取 top-left、top-right、bottom-left 或 bottom-right"},
      {"--logo x.png --logo-size 0", "--logo-size 须为 1 到 100 之间的整数，而不是“0”"},
      {"--logo x.png --logo-opacity 50%", "--logo-opacity 须为 1 到 100 之间的整数"},
      {"--logo '" + folder + "/gone.png'", "gone.png”：该文件为空文件或被占用，无法读取。\n 1\n"},
      {"--logo '" + folder + "/pipe.png'", "pipe.png”：该文件为空文件或被占用"},
      {"--logo '" + folder + "/notes.png'", "notes.png”必须为图片（PNG、JPG）或 GIF 动画文件\n 1\n"},
  };
  for (const auto& [args, says] : rows)
    EXPECT_TRUE(ts::Has(ConvertWithLogo("--dry-run " + args + " '" + clip + "'"), says)) << args;
}
