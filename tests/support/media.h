#pragma once
// Small media made by the real converter at test time (ffmpeg -f lavfi), cached per test
// process in a temporary folder.
#include <string>

namespace testing_support {

// A fresh temporary folder, removed when the test process ends.
std::string TempFolder();
// A folder of the running test's own inside TempFolder(), named `prefix` + the test's name.
std::string CurrentTestFolder(const std::string& prefix = "");
// `s` as one word of a shell command, whatever it holds.
std::string ShellQuoted(const std::string& s);
// Runs a shell command; returns its exit status.
int Shell(const std::string& command);
// Runs a command and returns what it printed on standard output.
std::string Capture(const std::string& command);

// SSIM of two pictures of one size as the converter measures it: of all planes, or of the
// brightness alone (where an enlarged small clip's colour loss at hard edges would count).
enum class SsimOf { AllPlanes, Brightness };
double Ssim(const std::string& a, const std::string& b, SsimOf planes = SsimOf::AllPlanes);

// Each returns the path of a file made once and kept in a media cache shared by all test
// processes (/tmp/flipframe-test-media). Never write beside these files: a test whose
// outputs go next to its source copies the source into its own folder first (CopyInto).
std::string VideoWithSound(int width = 1920, int height = 1080, int seconds = 5, int fps = 25);
std::string VideoWithoutSound(int width = 1920, int height = 1080, int seconds = 5, int fps = 25);
std::string StillPng(int width = 640, int height = 480);
std::string AnimatedGif(int width = 480, int height = 270, int seconds = 3, int fps = 10);
std::string AudioOnly(int seconds = 5);  // .m4a with an AAC track

// A real clip nobody here made, from a Debian package unpacked by scripts/real_clips.sh (the
// test command runs it) into $FLIPFRAME_REAL_CLIPS or /var/cache/flipframe-real-clips:
// `package` and the clip's path inside the package, e.g. ("python3-imageio",
// "usr/lib/python3/dist-packages/imageio/resources/images/cockatoo.mp4"). Throws, naming the
// script, when the clip is not there.
std::string RealClip(const std::string& package, const std::string& pathInPackage);

// Copies `file` into `folder` (created if needed) and returns the copy's path.
std::string CopyInto(const std::string& file, const std::string& folder);

// Facts about a produced file, read as ffprobe reads them.
struct ProbeFacts {
  int width = 0, height = 0;
  double duration = 0;
  bool hasAudio = false, hasVideo = false;
};
ProbeFacts MediaFacts(const std::string& path);

// A copy of the built program in a fresh folder of its own, so that the converters it starts
// are owned by that folder (FLIPFRAME_OWNER) and not by the build folder other tests share.
// Returns the copy's path.
std::string ProgramCopy();

// Converters started by the program whose folder is `folder` that are still running.
int ConvertersOwnedBy(const std::string& folder);

}  // namespace testing_support
