#include "text/encoding.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Utf8Validity, AcceptsWellFormedAndRejectsEveryMalformedKind) {
  const struct {
    const char* what;
    std::string bytes;
    bool valid;
  } cases[] = {
      {"empty", "", true},
      {"ascii", "crop='in_w/1.2'", true},
      {"chinese", "上下跃动", true},
      {"four-byte character", "\xF0\x9F\x8E\xAC", true},
      {"highest code point", "\xF4\x8F\xBF\xBF", true},
      {"gbk text", "\xC9\xCF\xCF\xC2\xD4\xBE\xB6\xAF", false},
      {"lone continuation byte", "a\x80", false},
      {"overlong slash", "\xC0\xAF", false},
      {"overlong three-byte", "\xE0\x80\xAF", false},
      {"surrogate", "\xED\xA0\x80", false},
      {"above U+10FFFF", "\xF4\x90\x80\x80", false},
      {"cut off at the end", "上\xE4\xB8", false},
      {"lead byte F5", "\xF5\x80\x80\x80", false},
  };
  for (const auto& c : cases) EXPECT_EQ(text::IsValidUtf8(c.bytes), c.valid) << c.what;
}

TEST(GbkToUtf8, ConvertsDoubleByteAndKeepsAscii) {
  EXPECT_EQ(text::GbkToUtf8("\xC9\xCF\xCF\xC2\xD4\xBE\xB6\xAF"), "上下跃动");
  EXPECT_EQ(text::GbkToUtf8("a\xC9\xAB\xB1\xE4\r\nhue='H=2*PI*t'"), "a色变\r\nhue='H=2*PI*t'");
  EXPECT_EQ(text::GbkToUtf8(""), "");
  // Valid UTF-8 stays as it is; anything else is read as GBK.
  EXPECT_EQ(text::Utf8OrGbkToUtf8("迷幻"), "迷幻");
  EXPECT_EQ(text::Utf8OrGbkToUtf8("\xC3\xD4\xBB\xC3"), "迷幻");
}

TEST(GbkToUtf8, MarksBytesThatAreNotGbkAndGoesOn) {
  // 0xFF is no GBK byte; a lead byte before a blank or cut off at the end is no character.
  EXPECT_EQ(text::GbkToUtf8("a\xFF"
                            "b"),
            "a\xEF\xBF\xBD"
            "b");
  EXPECT_EQ(text::GbkToUtf8("\x81 x"), "\xEF\xBF\xBD x");
  EXPECT_EQ(text::GbkToUtf8("\xC3\xD4\xBB"), "迷\xEF\xBF\xBD");
  // A long text goes through more than one round of the output buffer.
  std::string gbk, utf8;
  for (int i = 0; i < 2000; ++i) {
    gbk += "\xC3\xD4\xBB\xC3";
    utf8 += "迷幻";
  }
  EXPECT_EQ(text::GbkToUtf8(gbk), utf8);
}

TEST(CaptionCut, CountsNonAsciiTwoAndNeverCutsInsideACharacter) {
  const struct {
    std::string text;
    int width;
    std::string expected;
  } cases[] = {
      {"上下跃动", 8, "上下跃动"},
      {"一二三四五六", 8, "一二三四"},
      {"色变", 4, "色变"},
      {"分量色变", 4, "分量"},
      {"a色变", 4, "a色"},          // 1 + 2, the next one would make 5
      {"ab上下跃", 8, "ab上下跃"},  // exactly 8
      {"abc上下跃", 8, "abc上下"},  // 跃 would pass 8
      {"abcdefghij", 8, "abcdefgh"},
      {"\xF0\x9F\x8E\xAC\xF0\x9F\x8E\xAC\xF0\x9F\x8E\xAC", 4, "\xF0\x9F\x8E\xAC\xF0\x9F\x8E\xAC"},
      {"上", 1, ""},
      {"", 8, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(text::CutToDisplayWidth(c.text, c.width), c.expected) << c.text << " / " << c.width;
    EXPECT_TRUE(text::IsValidUtf8(text::CutToDisplayWidth(c.text, c.width))) << c.text;
  }
  EXPECT_EQ(text::DisplayWidth("a色变"), 5);
  EXPECT_EQ(text::DisplayWidth("上下跃动"), 8);
}

}  // namespace
