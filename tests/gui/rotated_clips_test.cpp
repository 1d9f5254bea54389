// Phone clips: landscape frames with a turn in the stream's side data. The size flipframe
// reads is the one the viewer sees, in `flipframe --probe`, in the size `flipframe convert`
// gives its output, and in the window's probe of a picked foreground.
#include <QComboBox>
#include <QLineEdit>

#include <filesystem>
#include <map>
#include <sstream>
#include <string>

#include "support/window_helpers.h"

namespace ts = testing_support;

namespace {

// The "field: value" lines `flipframe --probe FILE` prints.
std::map<std::string, std::string> ProbeFields(const std::string& program, const std::string& file) {
  std::map<std::string, std::string> f;
  std::istringstream out(ts::Capture("'" + program + "' --probe '" + file + "' 2>/dev/null"));
  for (std::string line; std::getline(out, line);)
    if (const size_t colon = line.find(": "); colon != std::string::npos)
      f[line.substr(0, colon)] = line.substr(colon + 2);
  return f;
}

}  // namespace

class RotatedClipsTest : public WindowCase {};

TEST_F(RotatedClipsTest, TheSizeIsTheDisplayedOneInProbeConvertAndWindow) {
  const std::string program = ts::ProgramCopy();
  const std::string dir = ts::TempFolder() + "/rotated";
  std::filesystem::create_directories(dir);
  const std::string plain = ts::VideoWithSound(320, 180, 1, 25);
  const struct {
    const char* rotate;  // "" for no turn at all
    int width, height;   // as the viewer sees it
    const char* ratio;   // the window's suggestion
    int outWidth, outHeight;
    int copies;  // most copies offered side by side: three 180-wide ones fit in 568
  } rows[] = {
      // rotate=270 is stored as the same turn as -90.
      {"90", 180, 320, " 竖->横 [16:9]", 568, 320, 3},
      {"-90", 180, 320, " 竖->横 [16:9]", 568, 320, 3},
      {"180", 320, 180, " 横->竖 [9:16]", 320, 568, 0},
      {"", 320, 180, " 横->竖 [9:16]", 320, 568, 0},
  };
  int n = 0;
  for (const auto& r : rows) {
    SCOPED_TRACE(std::string("rotate=") + r.rotate);
    const std::string clip = dir + "/clip" + std::to_string(++n) + ".mp4";
    ASSERT_EQ(
        ts::Shell("ffmpeg -v error -y -i '" + plain + "' -c copy" +
                  (*r.rotate ? std::string(" -metadata:s:v:0 rotate=") + r.rotate : "") + " '" + clip + "'"),
        0);

    const auto probed = ProbeFields(program, clip);
    EXPECT_EQ(probed.count("width") ? probed.at("width") : "", std::to_string(r.width));
    EXPECT_EQ(probed.count("height") ? probed.at("height") : "", std::to_string(r.height));

    // The converter turns the frames as it decodes them: the output has the suggested size
    // the right way round, read back by the same probe.
    ASSERT_EQ(ts::Shell("cd '" + dir + "' && '" + program + "' convert '" + clip + "' 2>/dev/null"), 0);
    const std::string output = dir + "/result/clip" + std::to_string(n) + "_1.mp4";
    const auto converted = ProbeFields(program, output);
    EXPECT_EQ(converted.count("width") ? converted.at("width") : "", std::to_string(r.outWidth));
    EXPECT_EQ(converted.count("height") ? converted.at("height") : "", std::to_string(r.outHeight));

    PickForeground(clip);
    EXPECT_EQ(Find<QComboBox>("宽高比例")->currentText(), QString::fromUtf8(r.ratio));
    EXPECT_EQ(Find<QLineEdit>("宽度框")->text(), QString::number(r.outWidth));
    EXPECT_EQ(Find<QLineEdit>("高度框")->text(), QString::number(r.outHeight));
    EXPECT_EQ(Editor().current.foregroundCountMax, r.copies);
  }
}
