#include "task/output_name.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using task::OutputName;

namespace {

task::ExistsFn Taken(std::set<std::string> names) {
  return [names](const std::string& p) { return names.count(p) > 0; };
}

}  // namespace

TEST(OutputName, TemporaryNameTakesTheFirstFreeCounter) {
  const struct {
    std::set<std::string> taken;
    const char* base;
    const char* ext;
    const char* want;
  } rows[] = {
      {{}, "/clips/result/trip.mov", ".mp4", "/clips/result/trip_tmp.mp4"},
      {{"/clips/result/trip_tmp.mp4"}, "/clips/result/trip.mov", ".mp4", "/clips/result/trip_tmp_1.mp4"},
      {{"/clips/result/trip_tmp.mp4", "/clips/result/trip_tmp_1.mp4"},
       "/clips/result/trip.mov",
       ".mp4",
       "/clips/result/trip_tmp_2.mp4"},
      {{}, "/clips/result/trip", ".mkv", "/clips/result/trip_tmp.mkv"},        // no extension
      {{}, "/my.clips/result/trip", ".mkv", "/my.clips/result/trip_tmp.mkv"},  // dot in a folder
      {{}, "/clips/result/a.b.mp4", ".mp4", "/clips/result/a.b_tmp.mp4"},      // last dot only
  };
  for (const auto& r : rows) EXPECT_EQ(OutputName(r.base, "_tmp", r.ext, Taken(r.taken)), r.want) << r.base;
}

TEST(OutputName, FinalNameAlwaysCarriesACounter) {
  const struct {
    std::set<std::string> taken;
    const char* tmp;
    const char* want;
  } rows[] = {
      {{}, "/c/result/trip_tmp.mp4", "/c/result/trip_1.mp4"},
      {{"/c/result/trip_1.mp4"}, "/c/result/trip_tmp.mp4", "/c/result/trip_2.mp4"},
      {{}, "/c/result/trip_tmp_3.mp4", "/c/result/trip_1.mp4"},  // a renamed temporary
      // A source whose own name holds "_tmp" keeps it: only the builder's "_tmp" is cut.
      {{}, "/c/result/my_tmp_clip_tmp.mp4", "/c/result/my_tmp_clip_1.mp4"},
      {{}, "/c_tmp/result/trip_tmp.mp4", "/c_tmp/result/trip_1.mp4"},
  };
  for (const auto& r : rows) EXPECT_EQ(OutputName(r.tmp, "", ".mp4", Taken(r.taken)), r.want) << r.tmp;
}
