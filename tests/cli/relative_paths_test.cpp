// Paths named relative to the current folder, everywhere the command line takes one: the
// real program run in a folder of the test's own, as `cd videos && flipframe ...` would.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/platform.h"
#include "store/task_list_file.h"
#include "support/media.h"

namespace ts = testing_support;
namespace fs = std::filesystem;

TEST(RelativePaths, MadeAbsoluteByTheirLettersAgainstAFolder) {
  const struct {
    const char *path, *folder, *want;
  } rows[] = {
      {"clip.mp4", "/v", "/v/clip.mp4"},
      {"./clip.mp4", "/v", "/v/clip.mp4"},
      {"../w/clip.mp4", "/v/x", "/v/w/clip.mp4"},
      {"sub/./a/../c.mp4", "/v", "/v/sub/c.mp4"},
      {"/a//b/../c.mp4", "/v", "/a/c.mp4"},
      {"../../../c", "/v", "/c"},
      {"dir/", "/v", "/v/dir"},
  };
  for (const auto& r : rows) EXPECT_EQ(plat::AbsolutePathIn(r.path, r.folder), r.want) << r.path;
}

TEST(RelativePaths, ProbeConvertSaveListAndRunFromTheClipsFolder) {
  const std::string program = ts::ProgramCopy();
  const std::string root = ts::TempFolder() + "/relative", videos = root + "/videos";
  fs::create_directories(videos + "/sub");
  const std::string clip = ts::VideoWithSound(192, 108, 1, 25);
  for (const char* name : {"/a.mp4", "/b.mp4", "/sub/c.mp4", "/sub/d.mp4"})
    fs::copy_file(clip, videos + name);

  const std::string v = videos;
  const struct {
    const char* cwd;   // below root
    const char* args;  // after the program
    int status;
    const char* made;   // below root, "" for none
    std::string shows;  // in what it prints on standard output
  } rows[] = {
      {"videos", "--probe a.mp4", 0, "", "width: 192\n"},
      {"videos/sub", "--probe ../a.mp4", 0, "", "width: 192\n"},
      {"videos", "--probe ./sub/c.mp4", 0, "", "width: 192\n"},
      {"videos", "convert --dry-run a.mp4", 0, "", "\"" + v + "/result/a_tmp.mp4\""},
      {"videos/sub", "convert --dry-run --background ../b.mp4 c.mp4", 0, "", "\"" + v + "/b.mp4\""},
      {"videos", "convert a.mp4", 0, "videos/result/a_1.mp4", ""},
      {"videos", "convert ./a.mp4", 0, "videos/result/a_2.mp4", ""},
      {"videos/sub", "convert ../b.mp4", 0, "videos/result/b_1.mp4", ""},
      {"videos", "convert sub/c.mp4", 0, "videos/sub/result/c_1.mp4", ""},
      {"videos", "convert missing.mp4", 1, "", ""},
      {"videos/sub", "convert --save-list ../L.json d.mp4 ../sub/./c.mp4", 0, "videos/L.json", ""},
      {"videos", "run L.json", 0, "videos/sub/result/d_1.mp4", ""},
      {"", "run videos/L.json --task 2", 0, "videos/sub/result/c_2.mp4", ""},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(std::string(r.cwd) + ": " + r.args);
    const std::string out = ts::Capture("cd '" + root + "/" + r.cwd + "' && '" + program + "' " + r.args +
                                        " 2>&1; echo \"status $?\"");
    EXPECT_NE(out.find(r.shows), std::string::npos) << out;
    EXPECT_NE(out.find("status " + std::to_string(r.status) + "\n"), std::string::npos) << out;
    if (*r.made) EXPECT_TRUE(fs::exists(root + "/" + r.made));
  }
  // The list holds the absolute paths, "." and ".." taken out.
  const app::LoadedTaskList list = app::LoadTaskList(videos + "/L.json");
  ASSERT_EQ(list.rows.size(), 2u);
  EXPECT_EQ(list.rows[0].record.foregroundPath, "\"" + videos + "/sub/d.mp4\"");
  EXPECT_EQ(list.rows[1].record.foregroundPath, "\"" + videos + "/sub/c.mp4\"");
  // No temporary output is left behind, by a success or a refusal.
  for (const auto& e : fs::recursive_directory_iterator(root))
    EXPECT_EQ(e.path().filename().string().find("_tmp"), std::string::npos) << e.path();
}
