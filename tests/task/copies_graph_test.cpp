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
    "[v]split[a][b1];[a]hflip[a1];[g1][a1]overlay=(W-w*2+2)/2+w*0-0:0[g2];[g2][b1]overlay=(W-w*2+2)/2+w*1-1:0",
    "[v]split[a][b1];[a]hflip[a1];[a1]split[c1][a2];[g1][c1]overlay=(W-w*3+3)/2+w*0-0:0[g2];[g2][b1]overlay=(W-w*"
    "3+3)/2+w*1-1:0[g3];[g3][a2]overlay=(W-w*3+3)/2+w*2-2:0",
    "[v]split[a][b1];[a]hflip[a1];[a1]split[c1][a2];[g1][c1]overlay=(W-w*4+4)/2+w*0-0:0[g2];[b1]split[f1][b2];[g2]"
    "[f1]overlay=(W-w*4+4)/2+w*1-1:0[g3];[g3][a2]overlay=(W-w*4+4)/2+w*2-2:0[g4];[g4][b2]overlay=(W-w*4+4)/2+w*3-3:"
    "0",
    "[v]split[a][b1];[a]hflip[a1];[a1]split[c1][a2];[g1][c1]overlay=(W-w*5+5)/2+w*0-0:0[g2];[b1]split[f1][b2];[g2]"
    "[f1]overlay=(W-w*5+5)/2+w*1-1:0[g3];[a2]split[c2][a3];[g3][c2]overlay=(W-w*5+5)/2+w*2-2:0[g4];[g4][b2]overlay="
    "(W-w*5+5)/2+w*3-3:0[g5];[g5][a3]overlay=(W-w*5+5)/2+w*4-4:0",
};

std::string MirroredSplit(std::string row) {
  const std::string plain = "[v]split[a][b1];[a]hflip[a1]";
  if (row.rfind(plain, 0) == 0) row.replace(0, plain.size(), "[v]split[a1][b];[b]hflip[b1]");
  return row;
}

// Every label in a graph text, counted as produced (after a filter name) or consumed.
// Consumed labels stand at the start of a chain (after ";" or at the very start); produced
// ones end a filter's arguments.
struct LabelUse {
  std::map<std::string, int> produced, consumed;
};

LabelUse CountLabels(const std::string& graph) {
  LabelUse use;
  size_t chainStart = 0;
  while (chainStart <= graph.size()) {
    size_t end = graph.find(';', chainStart);
    if (end == std::string::npos) end = graph.size();
    const std::string chain = graph.substr(chainStart, end - chainStart);
    std::regex label(R"(\[[^\]]+\])");
    // Leading labels are inputs; labels after the filter text are outputs.
    size_t pos = 0;
    while (pos < chain.size() && chain[pos] == '[') {
      const size_t close = chain.find(']', pos);
      use.consumed[chain.substr(pos, close - pos + 1)]++;
      pos = close + 1;
    }
    for (auto it = std::sregex_iterator(chain.begin() + long(pos), chain.end(), label); it != std::sregex_iterator();
         ++it)
      use.produced[it->str()]++;
    chainStart = end + 1;
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
    for (bool mirror : {false, true}) EXPECT_EQ(CopiesGraph("[0:v]", n, mirror), "[g1][0:v]overlay=W/2-w/2:0");
}

TEST(CopiesGraph, SixCopiesEndWithB3OverG6AndRunFromFirstToSixthPlace) {
  const std::string g = CopiesGraph("[v]", 6, false);
  const std::string tail = ";[g6][b3]overlay=(W-w*6+6)/2+w*5-5:0";
  ASSERT_GE(g.size(), tail.size());
  EXPECT_EQ(g.substr(g.size() - tail.size()), tail);
  EXPECT_NE(g.find("[g1][c1]overlay=(W-w*6+6)/2+w*0-0:0[g2]"), std::string::npos);
  for (int k = 0; k < 6; ++k)
    EXPECT_NE(g.find("+w*" + std::to_string(k) + "-" + std::to_string(k) + ":0"), std::string::npos) << k;
}

TEST(CopiesGraph, EveryLabelIsMadeOnceAndUsedOnceForManyCounts) {
  for (int n = 2; n <= 12; ++n) {
    for (bool mirror : {false, true}) {
      const std::string g = CopiesGraph("[v]", n, mirror);
      LabelUse use = CountLabels(g);
      use.produced["[v]"]++;  // the foreground and the background come from outside
      use.produced["[g1]"]++;
      int overlays = 0;
      for (size_t at = g.find("overlay="); at != std::string::npos; at = g.find("overlay=", at + 1)) ++overlays;
      EXPECT_EQ(overlays, n) << "N=" << n;
      for (const auto& [name, count] : use.consumed)
        EXPECT_EQ(use.produced[name], count) << "N=" << n << " label " << name << " used but not made once";
      for (const auto& [name, count] : use.produced) {
        EXPECT_EQ(count, 1) << "N=" << n << " label " << name;
        EXPECT_EQ(use.consumed[name], 1) << "N=" << n << " label " << name << " made but not used once";
      }
      // The last copy is the graph's output: nothing follows its placement.
      const std::string last = "+w*" + std::to_string(n - 1) + "-" + std::to_string(n - 1) + ":0";
      EXPECT_EQ(g.substr(g.size() - last.size()), last) << "N=" << n;
    }
  }
}
