// Real clips nobody here made (Debian packages, fetched by scripts/real_clips.sh) converted
// by `flipframe convert` in the default layout: each must finish, play its whole length,
// decode without an error and keep its whole sound.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "probe/sound_decode.h"
#include "support/media.h"
#include "support/program_folder.h"

namespace ts = testing_support;
namespace fs = std::filesystem;

namespace {

const char* const kMecavideo = "usr/share/pymecavideo/data/video/";
const char* const kForensics = "usr/share/forensics-samples/original-files/";

struct RealClipCase {
  const char* package;
  std::string path;
  const char* format;  // "" keeps the clip's own
  double seconds;      // the output's length
  bool sound;
  const char* why;
};

TEST(RealClips, ConvertWholeWithTheirSound) {
  const RealClipCase cases[] = {
      {"python3-mecavideo", std::string(kMecavideo) + "Principe_inertie.avi", "", 1.12, false,
       "odd pixel aspect ratio: the converter warns \"Invalid pixel aspect ratio\""},
      // 2 s asked of a 2.5 s clip: the same whole seconds, so the clip's own length.
      {"python3-mecavideo", std::string(kMecavideo) + "retroMars2018.avi", "", 2.5, false,
       "odd pixel aspect ratio, MPEG-4 part 2 at 10 fps"},
      {"python3-mecavideo", std::string(kMecavideo) + "balle1-vp9.avi", "", 1.6, true,
       "VP9 and MP3 in AVI, 187 fps"},
      {"forensics-samples-files", std::string(kForensics) + "movie2/movie-hello.avi", "", 2, true,
       "H.264 and AAC in AVI: AAC copied into AVI plays only in part"},
      {"forensics-samples-files", std::string(kForensics) + "movie2/movie-hello.avi", ".mp4", 2, true,
       "the same clip into MP4"},
      {"forensics-samples-files", std::string(kForensics) + "movie1/VID_20191220_170832.mp4", "", 1.6, true,
       "a phone clip, 1080p"},
      {"python3-imageio", "usr/lib/python3/dist-packages/imageio/resources/images/cockatoo.mp4", "", 2, true,
       "hand-held, H.264 High 4:4:4 with MP3 in MP4"},
  };
  const std::string flipframe = ts::OwnFlipframe();
  int n = 0;
  for (const RealClipCase& c : cases) {
    SCOPED_TRACE(c.path + " (" + c.why + ")");
    const std::string folder = ts::TempFolder() + "/real-" + std::to_string(++n);
    const std::string clip = ts::CopyInto(ts::RealClip(c.package, c.path), folder);
    std::string args = " --preset ultrafast --width 360 --duration 00:00:02";
    if (*c.format) args += std::string(" --format ") + c.format;
    const std::string log = folder + "/convert.log";
    ASSERT_EQ(
        ts::Shell("'" + flipframe + "' convert" + args + " '" + clip + "' >'" + log + "' 2>&1 </dev/null"), 0)
        << ts::Capture("cat '" + log + "'");

    const fs::path p(clip);
    const std::string extension = *c.format ? c.format : p.extension().string();
    const std::string out = (p.parent_path() / "result" / (p.stem().string() + "_1" + extension)).string();
    ASSERT_TRUE(fs::is_regular_file(out)) << ts::Capture("cat '" + log + "'");
    EXPECT_NEAR(ts::MediaFacts(out).duration, c.seconds, 0.3);
    EXPECT_EQ(ts::Capture("ffmpeg -hide_banner -nostdin -v error -i '" + out + "' -f null - 2>&1"), "");
    const probe::SoundDecode sound = probe::DecodeSound(out, 60000);
    ASSERT_TRUE(sound.decoded);
    EXPECT_EQ(sound.hasSound, c.sound);
    // As much sound as the clip has (its own may end before its picture) up to the length.
    if (c.sound)
      EXPECT_NEAR(sound.seconds, std::min(c.seconds, probe::DecodeSound(clip, 60000).seconds), 0.3);
    EXPECT_EQ(sound.errors, "");
  }
}

// The output check hears a sound track that is stored whole yet plays only in part: AAC
// copied into AVI by hand, as an older flipframe did.
TEST(RealClips, SoundThatPlaysOnlyInPartIsHeard) {
  const std::string folder = ts::TempFolder();
  const std::string broken = folder + "/copied.avi";
  std::string hello = kForensics;
  hello.append("movie2/movie-hello.avi");
  std::string copy = "ffmpeg -hide_banner -nostdin -loglevel error -y -i ";
  copy.append(ts::ShellQuoted(ts::RealClip("forensics-samples-files", hello)))
      .append(" -t 4 -c copy ")
      .append(ts::ShellQuoted(broken));
  ASSERT_EQ(ts::Shell(copy), 0);
  const probe::SoundDecode sound = probe::DecodeSound(broken, 60000);
  ASSERT_TRUE(sound.decoded);
  EXPECT_TRUE(sound.hasSound);
  EXPECT_LT(sound.seconds, 2.0);
  EXPECT_NE(sound.errors, "");
}

}  // namespace
