// Publishing targets and band texts as data: the shipped targets file, entries that cannot be
// used, the wrapping and shrinking of band texts, the drawtext filters against hostile texts
// and paths, and font lookup against hostile names.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "platform/fonts.h"
#include "platform/platform.h"
#include "support/media.h"
#include "support/task_helpers.h"
#include "task/band_text.h"
#include "task/targets.h"

namespace ts = testing_support;
using namespace task;

namespace {

std::string ShippedTargets() {
  std::string path = FLIPFRAME_SOURCE_DIR;  // appended, not summed: gcc 12 misreads the sum
  path += "/data/targets.ini";
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

const char kGood[] = "[good]\nsize = 180x320\nvideo = libx264\naudio = aac\n";

}  // namespace

TEST(PublishTargets, ShippedFileGivesEveryTargetAndBadEntriesAreNamedAndSkipped) {
  const TargetFile shipped = ParseTargets(ShippedTargets());
  EXPECT_TRUE(shipped.problems.empty()) << shipped.problems.front();
  ASSERT_EQ(shipped.targets.size(), 10u);
  for (const char* name : {"douyin", "tiktok", "youtube-shorts", "square", "portrait-4x5", "landscape-16x9"})
    EXPECT_NE(FindTarget(shipped.targets, name), nullptr) << name;
  const PublishTarget& douyin = *FindTarget(shipped.targets, "douyin");
  EXPECT_EQ(douyin.width, 1080);
  EXPECT_EQ(douyin.height, 1920);
  EXPECT_EQ(douyin.maxSeconds, 900);
  EXPECT_FALSE(douyin.source.empty());

  const struct {
    const char* entry;
    const char* named;  // in the problem line
  } bad[] = {
      {"[a]\nsize = 180x320\nvideo = libx264 -f null\naudio = aac\n", "“a”（第"},
      {"[b]\nsize = 181x320\nvideo = libx264\naudio = aac\n", "size"},
      {"[c]\nsize = 180x320\nvideo = libx264\n", "缺少 audio"},
      {"[d]\nsize = 180x320\nvideo = libx264\naudio = aac\nfilter = drawtext\n", "未知的项“filter”"},
      {"[e f]\nsize = 180x320\nvideo = libx264\naudio = aac\n", "名称只能"},
      {"[good]\nsize = 180x320\nvideo = libx264\naudio = aac\n", "同名"},
      {"[g]\nsize = 180x320\nsize = 180x320\nvideo = libx264\naudio = aac\n", "出现了两次"},
      {"[h]\nfps = -1\nsize = 180x320\nvideo = libx264\naudio = aac\n", "fps"},
  };
  for (const auto& b : bad) {
    SCOPED_TRACE(b.entry);
    std::string text = "\xEF\xBB\xBF";  // appended, not summed: gcc 12 misreads the sum (-Wstringop-overflow)
    text += kGood;
    text += "\r\n";
    text += b.entry;
    const TargetFile file = ParseTargets(text);
    ASSERT_EQ(file.targets.size(), 1u);  // the good entry stays
    EXPECT_EQ(file.targets[0].settings.name, "good");
    ASSERT_EQ(file.problems.size(), 1u);
    EXPECT_TRUE(ts::Has(file.problems[0], b.named));
  }
}

TEST(PublishTargets, OptionsFollowTheTargetAndTheForegroundsRate) {
  const TargetSettings s{"t", 30, "libx264", 4000, "aac", 128, true};
  EXPECT_EQ(TargetVideoOptions(s, "60", ".mp4"),
            " -c:v libx264 -pix_fmt yuv420p -maxrate 4000k -bufsize 8000k -r 30 -movflags +faststart");
  EXPECT_EQ(TargetVideoOptions(s, "25", ".mkv"),
            " -c:v libx264 -pix_fmt yuv420p -maxrate 4000k -bufsize 8000k");
  EXPECT_EQ(TargetAudioOptions(s), " -c:a aac -b:a 128k");
  EXPECT_EQ(TargetVideoOptions({}, "60", ".mp4"), "");
  for (TargetSettings hostile : {TargetSettings{"t", 0, "libx264 -f", 0, "aac", 0, false},
                                 TargetSettings{"t", 0, "libx264", 0, "copy", 0, false},
                                 TargetSettings{"t x", 0, "libx264", 0, "aac", 0, false},
                                 TargetSettings{"t", 999, "libx264", 0, "aac", 0, false}})
    EXPECT_NE(TargetSettingsProblem(hostile), "") << hostile.name << hostile.videoCodec;
}

TEST(BandText, TextWrapsToTheBandAndShrinksRatherThanLosingAnything) {
  const struct {
    std::string text;
    int width, height, size;
    size_t lines;
    bool shrunk;
  } rows[] = {
      {"短标题", 900, 200, 60, 1, false},
      {"a title long enough to need two lines here", 900, 200, 60, 2, false},
      {std::string(40, 'W'), 900, 100, 60, 1, true},                         // one word: shrunk to fit
      {"一二三四五六七八九十一二三四五六七八九十", 900, 200, 60, 2, false},  // CJK breaks anywhere
      {"第一行\n第二行\n第三行\n第四行", 900, 150, 60, 4, true},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.text);
    const FittedText fitted = FitText(r.text, r.width, r.height, r.size);
    EXPECT_EQ(fitted.lines.size(), r.lines);
    EXPECT_EQ(fitted.size < r.size, r.shrunk);
    std::string joined;
    for (const std::string& line : fitted.lines) {
      EXPECT_LE(EstimatedWidth(line, fitted.size), r.width) << line;
      joined += line;
    }
    std::string letters;
    for (char c : r.text)
      if (c != ' ' && c != '\n') letters += c;
    std::erase(joined, ' ');
    EXPECT_EQ(joined, letters);  // nothing cut off
  }
}

TEST(BandText, HostileTextsStayInTheirFilesAndHostilePathsAreEscaped) {
  TaskRecord t = ts::ListedTask(1);
  t.outputWidth = 1080, t.outputHeight = 1920;
  t.bandTexts.size = 30;  // room for the title on one line
  t.bandTexts.title = "{name} %{pts} [out];'a:b'\\,c";
  t.bandTexts.caption = "FillBandText";
  t.bandTexts = FilledBandTexts(t.bandTexts, "/v/my 'clip'.mp4", 7);
  EXPECT_EQ(t.bandTexts.title, "my 'clip' %{pts} [out];'a:b'\\,c");
  const BandTextPlan plan = PlanBandTexts(t, "/v/result/a'b:c_tmp.mp4", "/fonts/x:y.ttf");
  ASSERT_EQ(plan.files.size(), 2u);
  EXPECT_EQ(plan.files[0].content, t.bandTexts.title);
  EXPECT_EQ(plan.files[0].path, "/v/result/a'b:c_tmp.mp4.title-1.txt");
  EXPECT_TRUE(ts::Lacks(plan.filters, "%{pts}"));
  EXPECT_TRUE(ts::Lacks(plan.filters, "[out]"));
  EXPECT_TRUE(ts::Has(plan.filters, "textfile='/v/result/a\\'\\''b\\:c_tmp.mp4.title-1.txt':expansion=none"));
  EXPECT_TRUE(ts::Has(plan.filters, ":fontfile='/fonts/x\\:y.ttf'"));

  const struct {
    BandTexts texts;
    const char* says;
  } refused[] = {
      {{"a\rb", "", "", 0, "FFFFFF", "000000"}, "标题"},
      {{"", "\xff\xfe", "", 0, "FFFFFF", "000000"}, "字幕"},
      {{"", std::string(kMaxBandText + 1, 'x'), "", 0, "FFFFFF", "000000"}, "字幕过长"},
      {{"a", "", "Sans\n", 0, "FFFFFF", "000000"}, "字体"},
      {{"a", "", "", 4, "FFFFFF", "000000"}, "文字大小"},
      {{"a", "", "", 0, "FFF'FF", "000000"}, "文字颜色"},
      {{"a", "", "", 0, "FFFFFF", "red"}, "描边颜色"},
  };
  for (const auto& r : refused) EXPECT_TRUE(ts::Has(BandTextsProblem(r.texts), r.says));
  EXPECT_EQ(BandTextsProblem({"第一行\n第二行", "", "Noto Sans", 40, "ff00AA", "000000"}), "");
}

TEST(BandText, FontsAreInstalledFamiliesOrRegularFilesNothingElse) {
  const std::string microhei = plat::FontFileFor(plat::kDefaultFont);
  ASSERT_NE(microhei, "") << "fonts-wqy-microhei is installed with the program";
  EXPECT_EQ(plat::FontFileFor(""), microhei);
  EXPECT_EQ(plat::FontFileFor("wenquanyi micro hei"), microhei);
  EXPECT_EQ(plat::FontFileFor(microhei), microhei);
  const std::string folder = ts::TempFolder();
  for (const std::string& name : {std::string("No Such Font 4711"), std::string("Sans:file=/etc/passwd"),
                                  std::string("../../etc/passwd"), std::string("/dev/zero"), folder,
                                  folder + "/missing.ttf", std::string("-Sans")})
    EXPECT_EQ(plat::FontFileFor(name), "") << name;
}
