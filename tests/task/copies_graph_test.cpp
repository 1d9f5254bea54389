#include "task/copies_graph.h"

#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <string>

using task::CopiesGraph;

namespace {

// The row of copies for N = 1 to 5, foreground label [v], mirror off.
const char* const kRows[] = {
    "[g1][v]overlay=W/2-w/2:0",
    "[v]split[a][b1];[a]hflip[a1];[g1][a1]overlay=(W-w*2+2)/2+w*0-0:0[g2];[g2][b1]overlay=(W-w*2+2)/"
    "2+w*1-1:0",
    "[v]split[a][b1];[a]hflip[a1];[a1]split[c1][a2];[g1][c1]overlay=(W-w*3+3)/"
    "2+w*0-0:0[g2];[g2][b1]overlay=(W-w*"
    "3+3)/2+w*1-1:0[g3];[g3][a2]overlay=(W-w*3+3)/2+w*2-2:0",
    "[v]split[a][b1];[a]hflip[a1];[a1]split[c1][a2];[g1][c1]overlay=(W-w*4+4)/"
    "2+w*0-0:0[g2];[b1]split[f1][b2];[g2]"
    "[f1]overlay=(W-w*4+4)/2+w*1-1:0[g3];[g3][a2]overlay=(W-w*4+4)/2+w*2-2:0[g4];[g4][b2]overlay=(W-w*4+4)/"
    "2+w*3-3:"
    "0",
    "[v]split[a][b1];[a]hflip[a1];[a1]split[c1][a2];[g1][c1]overlay=(W-w*5+5)/"
    "2+w*0-0:0[g2];[b1]split[f1][b2];[g2]"
    "[f1]overlay=(W-w*5+5)/2+w*1-1:0[g3];[a2]split[c2][a3];[g3][c2]overlay=(W-w*5+5)/"
    "2+w*2-2:0[g4];[g4][b2]overlay="
    "(W-w*5+5)/2+w*3-3:0[g5];[g5][a3]overlay=(W-w*5+5)/2+w*4-4:0",
};

std::string MirroredSplit(std::string row) {
  const std::string plain = "[v]split[a][b1];[a]hflip[a1]";
  if (row.rfind(plain, 0) == 0) row.replace(0, plain.size(), "[v]split[a1][b];[b]hflip[b1]");
  return row;
}

// How often each label is made and used. A chain (between ";") uses the labels it starts
// with; the labels after its filter text are made by it.
struct LabelUse {
  std::map<std::string, int> made, used;
};

LabelUse CountLabels(const std::string& graph) {
  LabelUse use;
  const std::regex chain("(^|;)((?:\\[[^\\]]+\\])*)([^;\\[]*)((?:\\[[^\\]]+\\])*)"), label("\\[[^\\]]+\\]");
  for (auto c = std::sregex_iterator(graph.begin(), graph.end(), chain); c != std::sregex_iterator(); ++c) {
    const std::string inputs = (*c)[2], outputs = (*c)[4];
    for (auto l = std::sregex_iterator(inputs.begin(), inputs.end(), label); l != std::sregex_iterator(); ++l)
      use.used[l->str()]++;
    for (auto l = std::sregex_iterator(outputs.begin(), outputs.end(), label); l != std::sregex_iterator();
         ++l)
      use.made[l->str()]++;
  }
  return use;
}

}  // namespace

TEST(CopiesGraph, MatchesTheTableForOneToFiveCopiesBothMirrorSettings) {
  for (int n = 1; n <= 5; ++n) {
    const std::string plain = kRows[n - 1];
    EXPECT_EQ(CopiesGraph("[v]", n, false), plain) << "N=" << n;
    const std::string mirrored = n == 1 ? plain : MirroredSplit(plain);
    EXPECT_EQ(CopiesGraph("[v]", n, true), mirrored) << "N=" << n << " mirrored";
  }
}

TEST(CopiesGraph, CountOfOneOrLessIsOneCentredCopyOfTheGivenLabel) {
  for (int n : {1, 0, -1})
    for (bool mirror : {false, true})
      EXPECT_EQ(CopiesGraph("[0:v]", n, mirror), "[g1][0:v]overlay=W/2-w/2:0");
}

TEST(CopiesGraph, SixCopiesStartWithC1OverG1AndEndWithB3OverG6) {
  const std::string g = CopiesGraph("[v]", 6, false);
  EXPECT_NE(g.find("[g1][c1]overlay=(W-w*6+6)/2+w*0-0:0[g2]"), std::string::npos) << g;
  EXPECT_TRUE(g.ends_with(";[g6][b3]overlay=(W-w*6+6)/2+w*5-5:0")) << g;
}

// Every count: labels made once and used once, one overlay per place from the first to the
// last, and the last placement is the graph's output.
TEST(CopiesGraph, EveryLabelIsMadeOnceAndUsedOnceForManyCounts) {
  for (int n = 2; n <= 12; ++n) {
    for (bool mirror : {false, true}) {
      const std::string g = CopiesGraph("[v]", n, mirror);
      LabelUse use = CountLabels(g);
      use.made["[v]"]++;  // the foreground and the background come from outside
      use.made["[g1]"]++;
      int overlays = 0;
      for (size_t at = g.find("overlay="); at != std::string::npos; at = g.find("overlay=", at + 1))
        ++overlays;
      EXPECT_EQ(overlays, n) << "N=" << n;
      for (const auto& [name, count] : use.used)
        EXPECT_EQ(count, 1) << "N=" << n << " " << name << " used twice";
      EXPECT_EQ(use.made, use.used) << "N=" << n << ": every label made once and used once";
      auto place = [](int k) { return "+w*" + std::to_string(k) + "-" + std::to_string(k) + ":0"; };
      for (int k = 0; k < n; ++k)
        EXPECT_NE(g.find(place(k)), std::string::npos) << "N=" << n << " place " << k;
      EXPECT_TRUE(g.ends_with(place(n - 1))) << g;
    }
  }
}
