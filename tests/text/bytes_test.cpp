#include "text/bytes.h"
#include "text/numbers.h"

#include <gtest/gtest.h>

using namespace text;

TEST(TextFind, PositionsAreOneBasedAndMinusOneWhenMissing) {
  struct Row {
    const char* text;
    const char* needle;
    int start;
    text::Case c;
    int want;
  } cases[] = {
      {"abcabc", "bc", 1, Case::Exact, 2},
      {"abcabc", "bc", 3, Case::Exact, 5},
      {"abcabc", "bc", 0, Case::Exact, 2},  // below 1 means 1
      {"abcabc", "bc", 6, Case::Exact, -1},
      {"abc", "", 1, Case::Exact, -1},
      {"", "a", 1, Case::Exact, -1},
      {"Invalid data", "invalid", 1, Case::Ignore, 1},
      {"Invalid data", "invalid", 1, Case::Exact, -1},
      {"前景invalid", "invalid", 1, Case::Exact, 7},  // UTF-8: two 3-byte characters first
  };
  for (const auto& k : cases)
    EXPECT_EQ(Find(k.text, k.needle, k.start, k.c), k.want) << k.text << " / " << k.needle;
}

TEST(TextFindLast, OccurrenceMustEndBeforePosition) {
  EXPECT_EQ(FindLast("a, b, c", ", "), 5);
  EXPECT_EQ(FindLast("a, b, c", ", ", 7), 5);  // ", " at 5..6 ends before 7
  EXPECT_EQ(FindLast("a, b, c", ", ", 6), 2);  // 5..6 does not end before 6
  EXPECT_EQ(FindLast("a, b, c", ", ", 1), -1);
  EXPECT_EQ(FindLast("a, b, c", ", ", 0), -1);
  EXPECT_EQ(FindLast("abc", "x"), -1);
}

TEST(TextSlices, MiddleLeftRightEdgeCases) {
  EXPECT_EQ(Middle("abcdef", 2, 3), "bcd");
  EXPECT_EQ(Middle("abcdef", 5, 10), "ef");
  EXPECT_EQ(Middle("abcdef", 0, 2), "");
  EXPECT_EQ(Middle("abcdef", 7, 1), "");
  EXPECT_EQ(Middle("abcdef", 2, -1), "");
  EXPECT_EQ(Left("abc", 2), "ab");
  EXPECT_EQ(Left("abc", 9), "abc");
  EXPECT_EQ(Left("abc", 0), "");
  EXPECT_EQ(Right("abc", 2), "bc");
  EXPECT_EQ(Right("abc", 9), "abc");
  EXPECT_EQ(Right("abc", -3), "");
}

TEST(TextToInteger, ReadsLikeAtoi) {
  EXPECT_EQ(ToInteger("  42abc"), 42);
  EXPECT_EQ(ToInteger("-7"), -7);
  EXPECT_EQ(ToInteger("+8x"), 8);
  EXPECT_EQ(ToInteger("x8"), 0);
  EXPECT_EQ(ToInteger(""), 0);
  EXPECT_EQ(ToInteger("1080 [SAR"), 1080);
}

TEST(TextBetween, MarkersAndMisses) {
  EXPECT_EQ(TextBetween("a, bitrate: 1234 kb/s\r\n", ", bitrate:", " kb/s"), " 1234");
  EXPECT_EQ(TextBetween("no start here", "<", ">"), "");
  EXPECT_EQ(TextBetween("<open only", "<", ">"), "");
  EXPECT_EQ(TextBetween("<a> <b>", "<", ">", 4), "b");
}

TEST(TextTrimBlanks, OnlyTheBlankCharacter) {
  EXPECT_EQ(TrimBlanks("  12 34  "), "12 34");
  EXPECT_EQ(TrimBlanks("\t12 "), "\t12");
  EXPECT_EQ(TrimBlanks("    "), "");
}

TEST(TextSecondsOfDuration, ColonsDecide) {
  EXPECT_EQ(SecondsOfDuration("00:01:23.45"), 83);
  EXPECT_EQ(SecondsOfDuration("01:00:00"), 3600);
  EXPECT_EQ(SecondsOfDuration("01:02:0x"), 3720);
  EXPECT_EQ(SecondsOfDuration("N/A, start:"), 0);
  EXPECT_EQ(SecondsOfDuration("1:02:03"), 0);
  EXPECT_EQ(SecondsOfDuration(""), 0);
}

// ReplaceAllIgnoreCase is checked through FailureTranslation (batch).
// PercentageText (batch) checks the two together on more values.
TEST(Numbers, G13AndRoundingHalfAwayFromZero) {
  EXPECT_EQ(FormatG13(2.5), "2.5");
  EXPECT_EQ(FormatG13(0.45), "0.45");
  EXPECT_EQ(FormatG13(58), "58");
  EXPECT_EQ(FormatG13((4 + 0.5) / 10), "0.45");
  EXPECT_DOUBLE_EQ(RoundHalfAway(607.5, 2), 607.5);
  EXPECT_DOUBLE_EQ(RoundHalfAway(426.632, 2), 426.63);
  EXPECT_EQ(FormatG13(RoundHalfAway(0.125, 2)), "0.13");
  EXPECT_EQ(FormatG13(RoundHalfAway(-0.125, 2)), "-0.13");
}
