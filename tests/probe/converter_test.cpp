// Where the converter is found and how argument texts are split. (The fallback to PATH and a
// missing converter are met by the probe, worker and process-control tests.)
#include "probe/converter.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/media.h"
#include "support/program_folder.h"

using namespace probe;

TEST(ProbeSplitArguments, CommandInterpreterQuotingRule) {
  using W = std::vector<std::string>;
  struct Row {
    const char* text;
    W want;
  } rows[] = {
      {"-i a.mp4 -y out.mp4", W{"-i", "a.mp4", "-y", "out.mp4"}},
      {"   -i   a.mp4  ", W{"-i", "a.mp4"}},  // leading, repeated and trailing blanks
      {"-i \"/home/me/my clips/a b.mp4\" -an", W{"-i", "/home/me/my clips/a b.mp4", "-an"}},
      {"-filter_complex \"[0:v]split[a];[a]fps=25\",fade=in -y",
       W{"-filter_complex", "[0:v]split[a];[a]fps=25,fade=in", "-y"}},  // quoted graph + tail
      {"pre\"mid dle\"post", W{"premid dlepost"}},
      {"-metadata title=\"\" -y", W{"-metadata", "title=", "-y"}},
      {"\"\" x", W{"", "x"}},  // empty quotes are an empty word
      {"\"unterminated quote", W{"unterminated quote"}},
      {"back\\slash \\\"x", W{"back\\slash", "\\x"}},  // no escape characters
      {"", W{}},
      {"    ", W{}},
  };
  for (const auto& r : rows) EXPECT_EQ(SplitArguments(r.text), r.want) << r.text;
}

class ProbeConverterLocation : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* path = std::getenv("PATH");
    savedPath_ = path ? path : "";
    folder_ = testing_support::TempFolder() + "/converter-location-" + std::to_string(++n_);
    plat::MakeDirs(folder_);
    plat::SetProgramFolderForTesting(folder_);
  }
  void TearDown() override {
    setenv("PATH", savedPath_.c_str(), 1);
    plat::SetProgramFolderForTesting(testing_support::OwnProgramFolder());
    ResolveConverterAgain();
  }
  std::string folder_;

 private:
  std::string savedPath_;
  static inline int n_ = 0;
};

TEST_F(ProbeConverterLocation, ConverterBesideTheProgramWinsAndIsCanonical) {
  ASSERT_EQ(symlink("/usr/bin/ffmpeg", (folder_ + "/ffmpeg").c_str()), 0);
  setenv("PATH", "/nonexistent", 1);
  ResolveConverterAgain();
  EXPECT_EQ(ConverterPath(), plat::CanonicalPath("/usr/bin/ffmpeg"));
}
