// Task lists with publishing targets, band texts and a logo: every new field comes back, a
// list from before them reads without them, and hostile values are refused naming the task
// and field; a logo that is gone or no regular file reads as a missing source.
#include <gtest/gtest.h>

#include <QString>

#include <sys/stat.h>

#include <fstream>
#include <string>

#include "store/task_list_file.h"
#include "support/media.h"
#include "support/task_helpers.h"

namespace ts = testing_support;

namespace {

app::TaskRow Published() {
  app::TaskRow row{ts::ListedTask(1), QStringLiteral("1.5"), QStringLiteral("处理完毕")};
  row.record.target = {"douyin", 60, "libx265", 15000, "libopus", 96, true};
  row.record.bandTexts = {"第1集\n“引号” 'a:b' %{pts}", "字幕", "Noto Sans CJK SC", 72, "FFEE00", "112233"};
  row.record.logo = {"\"/l/badge.png\"", task::kKindStill, task::LogoPlace::BottomLeft, 20, 4, 60};
  return row;
}

// The list text of `row` with `from` replaced by `to` in it.
QByteArray Edited(const app::TaskRow& row, const std::string& from, const std::string& to) {
  std::string text = app::SerializeTaskList({row}).toStdString();
  const size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return QByteArray::fromStdString(text);
}

}  // namespace

TEST(PublishList, NewFieldsComeBackAndOldListsReadWithoutThem) {
  const app::TaskRow row = Published();
  const app::LoadedTaskList loaded = app::ParseTaskList(app::SerializeTaskList({row}), "/l/list.json");
  ASSERT_TRUE(loaded.ok()) << loaded.error.toStdString();
  ASSERT_EQ(loaded.rows.size(), 1u);
  EXPECT_TRUE(loaded.rows[0].record == row.record);

  // A task without them writes neither field, so lists from before read the same.
  app::TaskRow plain = row;
  plain.record.target = {};
  plain.record.bandTexts = {};
  plain.record.logo = {};
  const QByteArray bytes = app::SerializeTaskList({plain});
  EXPECT_FALSE(bytes.contains("\"target\"") || bytes.contains("\"bandTexts\"") || bytes.contains("\"logo\""));
  const app::LoadedTaskList old = app::ParseTaskList(bytes, "/l/old.json");
  ASSERT_TRUE(old.ok());
  EXPECT_FALSE(old.rows[0].record.target.used());
  EXPECT_TRUE(old.rows[0].record.bandTexts == task::BandTexts{});
  EXPECT_FALSE(old.rows[0].record.logo.used());
}

TEST(PublishList, HostileValuesAreRefusedNamingTaskAndField) {
  const app::TaskRow row = Published();
  const struct {
    std::string from, to, says;
  } rows[] = {
      {"\"libx265\"", "\"libx265 -f null -\"", "第1个任务不能使用：发布目标：视频编码"},
      {"\"libopus\"", "\"copy\"", "音频编码"},
      {"\"maxFps\": 60", "\"maxFps\": \"60\"", "字段“target”"},
      {"\"faststart\": true", "\"faststart\": 1", "字段“target”"},
      {"\"name\": \"douyin\"", "\"name\": \"\"", "字段“target”"},
      {"\"size\": 72", "\"size\": 7", "文字大小"},
      {"\"colour\": \"FFEE00\"", "\"colour\": \"FFEE00:x=0\"", "文字颜色"},
      {"\"caption\": \"字幕\"", "\"caption\": \"a\\u0007b\"", "字幕含有控制字符"},
      {"\"font\": \"Noto Sans CJK SC\"", "\"font\": \"a\\rb\"", "字体"},
      {"\"title\": ", "\"title\": 5, \"x\": ", "字段“bandTexts”"},
      {"\"bottom-left\"", "\"middle\"", "字段“logo”"},
      {"\"margin\": 4", "\"margin\": \"4\"", "字段“logo”"},
      {"badge.png", "bad\\u0001ge.png", "Logo 文件“/l/bad"},
      {"\"\\\"/l/badge.png\\\"\"", "\"\\\"-i.png\\\"\"", "Logo 文件“-i.png”不是文件的绝对路径"},
      {"\"kind\": 1", "\"kind\": 3", "Logo 类型（3）不是图片或 GIF 动画"},
      {"\"opacity\": 60", "\"opacity\": 0", "Logo 不透明度（0）不在1到100之间"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.to);
    const app::LoadedTaskList loaded = app::ParseTaskList(Edited(row, r.from, r.to), "/l/list.json");
    EXPECT_FALSE(loaded.ok());
    EXPECT_TRUE(loaded.rows.empty());
    EXPECT_TRUE(ts::Has(loaded.error.toStdString(), r.says));
    EXPECT_TRUE(ts::Has(loaded.error.toStdString(), "/l/list.json"));
  }
}

TEST(PublishList, ALogoGoneOrNoRegularFileIsAMissingSource) {
  const std::string folder = ts::CurrentTestFolder("logo");
  const std::string fifo = folder + "/pipe.png", kept = folder + "/kept.png";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::ofstream(kept) << "png";
  task::TaskRecord r = ts::ListedTask(1);
  for (const std::string& logo : {fifo, folder + "/gone.png", kept}) {
    r.logo = {task::Quote(logo), task::kKindStill};
    const std::vector<std::string> missing = task::MissingSources(r);
    EXPECT_EQ(!missing.empty() && missing.back() == logo, logo != kept) << logo;
  }
}

// A task of several targets keeps them as a list, the first at the task's own size; a list of
// one target still reads as before, and a damaged or hostile list of targets is refused.
TEST(PublishList, SeveralTargetsComeBackAndHostileOnesAreRefused) {
  app::TaskRow row = Published();
  row.record.target.videoCodec = "libx264";
  row.record.logo = {};  // one canvas only, for now
  row.record.moreOutputs = {{{"square", 30, "libx264", 8000, "aac", 128, true}, 1080, 1080},
                            {{"wide", 0, "libx265", 0, "libopus", 0, false}, 1920, 1080}};
  const QByteArray bytes = app::SerializeTaskList({row});
  const app::LoadedTaskList loaded = app::ParseTaskList(bytes, "/l/list.json");
  ASSERT_TRUE(loaded.ok()) << loaded.error.toStdString();
  EXPECT_TRUE(loaded.rows[0].record == row.record);

  const struct {
    std::string from, to, says;
  } rows[] = {
      // The first entry is the task's own output: its size is the task's.
      {"\"height\": 1920", "\"height\": 1080", "字段“target”"},
      {"\"height\": 1080", "\"height\": 1081", "尺寸 1080x1081 无效"},
      {"\"wide\"", "\"wide;rm\"", "目标名称"},
      {"\"libopus\"", "\"libopus -f\"", "音频编码"},
      {"\"width\": 1920", "\"width\": \"1920\"", "字段“target”"},
      {"\"wide\"", "\"square\"", "给出了两次"},
      {"\"target\": [", "\"target\": [5, ", "字段“target”"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.to);
    const app::LoadedTaskList hostile = app::ParseTaskList(Edited(row, r.from, r.to), "/l/list.json");
    EXPECT_FALSE(hostile.ok());
    EXPECT_TRUE(ts::Has(hostile.error.toStdString(), r.says)) << hostile.error.toStdString();
  }
}
