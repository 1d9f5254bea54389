// The stream-info parser on hand-written converter output and on the real converter's output
// for media made at test time.
#include "probe/stream_info.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "probe/probe_file.h"
#include "support/media.h"
#include "text/bytes.h"

using namespace probe;

namespace {

const char kBanner[] =
    "ffmpeg version 5.1.9 Copyright (c) 2000-2026 the FFmpeg developers\n"
    "  configuration: --enable-gpl --enable-libx264\n";

const char kVideoWithSound[] =
    "Input #0, mov,mp4,m4a,3gp,3g2,mj2, from 'clip.mp4':\r\n"
    "  Duration: 00:00:05.00, start: 0.000000, bitrate: 1234 kb/s\r\n"
    "  Stream #0:0: Video: h264 (High) (avc1 / 0x31637661), yuv420p(tv, bt709), 1920x1080 "
    "[SAR 1:1 DAR 16:9], 1000 kb/s, 25 fps, 25 tbr\r\n"
    "  Stream #0:1: Audio: aac (LC) (mp4a / 0x6134706D), 44100 Hz, stereo, fltp, 128 kb/s\r\n";

}  // namespace

TEST(ProbeExamineChunk, FailureWordsComeBeforeTheDuration) {
  struct Row { std::string chunk; Verdict want; } rows[] = {
      {kBanner, Verdict::NotYet},
      {std::string(kBanner) + kVideoWithSound, Verdict::Parsed},
      {"x.mp4: Invalid data found when processing input\n", Verdict::Failed},
      {"INVALID\n  Duration: 00:00:05.00, start", Verdict::Failed},  // any letter case
      {"  Duration: 00:00:01.00\n  Stream #0:0: Video: png, pal8, 64x64\n", Verdict::Failed},
      {"  Duration: 00:00:01.00\n  Stream #0:0: Video: png, pal8(pc), 64x64\n", Verdict::Parsed},
      {"errer\n  Duration: 00:00:01.00", Verdict::Failed},
      {"Conversion failed!\n", Verdict::Failed},
      {"Conversion failed\n  Duration: 00:00:01.00", Verdict::Parsed},  // needs the "!"
      // "error" is no failure word, in either case.
      {"Error while decoding stream\n  Duration: 00:00:01.00", Verdict::Parsed},
      {"error in /media/error/clip.mp4\n  Duration: 00:00:01.00", Verdict::Parsed},
      {"duration: 00:00:01.00", Verdict::NotYet},  // the marker is case exact
      {"", Verdict::NotYet},
  };
  for (const auto& r : rows) EXPECT_EQ(ExamineChunk(r.chunk).verdict, r.want) << r.chunk;
}

TEST(ProbeExamineChunk, ParsedGivesThePositionOfTheMarker) {
  std::string chunk = std::string(kBanner) + kVideoWithSound;
  Examination e = ExamineChunk(chunk);
  ASSERT_EQ(e.verdict, Verdict::Parsed);
  EXPECT_EQ(chunk.compare(size_t(e.durationPos - 1), 10, "Duration: "), 0);
  EXPECT_EQ(DurationText(chunk, e.durationPos), "00:00:05.00");
  EXPECT_EQ(DurationText("Duration: 00:00", 1), "00:00");  // fewer when the chunk ends
}

TEST(ProbeParseStreams, KindWidthAndHeightOfEachKindOfMedia) {
  struct Row {
    const char* name;
    std::string chunk;
    int kind, width, height;
  } rows[] = {
      {"video with sound, hex tag skipped", kVideoWithSound, 5, 1920, 1080},
      {"video without sound",
       "Duration: 00:00:05.00, start: 0.0, bitrate: 9 kb/s\n"
       "  Stream #0:0[0x1](und): Video: h264 (Constrained Baseline) (avc1 / 0x31637661), "
       "yuv420p(progressive), 640x360 [SAR 1:1 DAR 16:9], 8 kb/s, 25 fps, 25 tbr\n",
       3, 640, 360},
      {"still picture 00:00:00.04",
       "Duration: 00:00:00.04, start: 0.000000, bitrate: N/A\n"
       "  Stream #0:0: Video: mjpeg (Baseline), yuvj444p(pc), 640x480 [SAR 1:1 DAR 4:3], 25 tbr\n",
       1, 640, 480},
      {"GIF animation",
       "Duration: 00:00:03.00, start: 0.000000, bitrate: 731 kb/s\n"
       "  Stream #0:0: Video: gif, bgra, 480x270, 10 fps, 10 tbr\n",
       4, 480, 270},
      {"sound only",
       "Duration: 00:00:05.00, start: 0.000000, bitrate: 72 kb/s\n"
       "  Stream #0:0[0x1](und): Audio: aac (LC) (mp4a / 0x6134706D), 44100 Hz, mono, fltp\n",
       2, 0, 0},
      {"N/A duration from a stream reader is a moving picture",
       "Input #0, h264, from 'raw.h264':\n  Duration: N/A, bitrate: N/A\n"
       "  Stream #0:0: Video: h264 (High), yuv420p(progressive), 320x240, 25 fps, 25 tbr\n",
       3, 320, 240},
      {"N/A duration from an image-pipe reader is a still picture",
       "Input #0, png_pipe, from 'still.png':\n  Duration: N/A, bitrate: N/A\n"
       "  Stream #0:0: Video: png, rgb24(pc), 640x480 [SAR 1:1 DAR 4:3], 25 fps, 25 tbr\n",
       1, 640, 480},
      {"size on the next line of a wrapped video line",
       "Duration: 00:00:02.00, start: 0.0, bitrate: 5 kb/s\n"
       "  Stream #0:0: Video: h264\n    (avc1), 720x576, 25 fps\n",
       3, 720, 576},
      {"x after an opening bracket is skipped",
       "Duration: 00:00:02.00\n  Stream #0:0: Video: rawvideo ([0x1] / 0x0), bgr24, 100x50, 25 fps\n",
       3, 100, 50},
      // No acceptable size: the width of the last candidate that reached the width read
      // stays, the height stays 0 and only the sound counts.
      {"no acceptable size",
       "Duration: 00:00:02.00\n  Stream #0:0: Video: foo, 12x\n  Stream #0:1: Audio: aac\n",
       2, 12, 0},
      {"no video line at all", "Duration: 00:00:02.00, start: 0.0\n", 0, 0, 0},
  };
  for (const auto& r : rows) {
    Examination e = ExamineChunk(r.chunk);
    ASSERT_EQ(e.verdict, Verdict::Parsed) << r.name;
    StreamFacts f = ParseStreams(r.chunk, DurationText(r.chunk, e.durationPos));
    EXPECT_EQ(f.kind, r.kind) << r.name;
    EXPECT_EQ(f.width, r.width) << r.name;
    EXPECT_EQ(f.height, r.height) << r.name;
  }
}

TEST(ProbeParseStreams, DurationSplitFromTheVideoLineLosesTheSizeContribution) {
  // "Duration: " arrived in this read, the stream lines in the next one.
  std::string first = "Input #0, mov, from 'a.mp4':\n  Duration: 00:00:05.00, start: 0.0, bitrate: 9 kb/s\n";
  Examination e = ExamineChunk(first);
  ASSERT_EQ(e.verdict, Verdict::Parsed);
  EXPECT_EQ(ParseStreams(first, DurationText(first, e.durationPos)).kind, 0);
}

TEST(ProbeBitrateText, EndsAtKbPerSecondAndALineBreak) {
  struct Row { const char* chunk; const char* want; } rows[] = {
      {"Duration: 00:00:05.00, start: 0.000000, bitrate: 1234 kb/s\r\n", "1234"},
      {"Duration: 00:00:05.00, start: 0.000000, bitrate: 1234 kb/s\n", "1234"},
      // A bitrate of N/A runs on to the next line that ends in " kb/s" and a line break.
      {"Duration: N/A, bitrate: N/A\n  Stream #0:0: Audio: mp3, 128 kb/s\n",
       "N/A\n  Stream #0:0: Audio: mp3, 128"},
      {"Duration: N/A, bitrate: N/A\n  Stream #0:0: Video: png, 64x64\n", ""},
      {"Duration: 00:00:05.00, start: 0.000000\n", ""},
      // "kb/s" in the middle of a line does not end the value.
      {"Duration: 00:00:05.00, bitrate: 77 kb/s, x 5 kb/s\n", "77 kb/s, x 5"},
  };
  for (const auto& r : rows) {
    std::string chunk = r.chunk;
    EXPECT_EQ(BitrateText(chunk, text::Find(chunk, "Duration: ")), r.want) << r.chunk;
  }
}

TEST(ProbeFrameRateText, TakesTheTextBeforeFps) {
  struct Row { const char* chunk; const char* want; } rows[] = {
      {kVideoWithSound, "25"},
      {"Stream #0:0: Video: h264, yuv420p, 1280x720, 29.97 fps, 29.97 tbr", "29.97"},
      {"Stream #0:0: Video: gif, bgra, 480x270, 10 fps, 10 tbr", "10"},
      {"Stream #0:0: Audio: aac, 44100 Hz", ""},
      {"30 fps, 30 tbr", "30"},  // no ", " in front: from the first byte
  };
  for (const auto& r : rows) EXPECT_EQ(FrameRateText(r.chunk), r.want) << r.chunk;
}

// ---- the real converter ----------------------------------------------------------------

namespace {

// Bitrate the converter prints: file size in bits over the duration, in kb/s.
int ExpectedKbPerSecond(const std::string& path, double seconds) {
  return int(double(std::filesystem::file_size(path)) * 8.0 / seconds / 1000.0);
}

}  // namespace

TEST(ProbeRealConverter, FiveKindsOfGeneratedMedia) {
  namespace ts = testing_support;
  struct Row {
    const char* name;
    std::string path;
    int kind, width, height;
    const char* duration;  // how the duration text begins
    double seconds;        // 0: no bitrate check
    const char* frameRate;
    const char* extension;
  } rows[] = {
      {"video with sound", ts::VideoWithSound(1920, 1080, 5, 25), 5, 1920, 1080, "00:00:05", 5, "25", ".mp4"},
      {"video without sound", ts::VideoWithoutSound(1920, 1080, 5, 25), 3, 1920, 1080, "00:00:05", 5, "25", ".mp4"},
      {"PNG still", ts::StillPng(640, 480), 1, 640, 480, "N/A", 0, "25", ".png"},
      {"GIF animation", ts::AnimatedGif(480, 270, 3, 10), 4, 480, 270, "00:00:03", 3, "10", ".gif"},
      {"sound only", ts::AudioOnly(5), 2, 0, 0, "00:00:05", 5, "", ".m4a"},
  };
  for (const auto& r : rows) {
    ProbeOutcome out = ProbeFile(r.path);
    ASSERT_EQ(out.status, ProbeStatus::Parsed) << r.name;
    const MediaInfo& m = out.info;
    EXPECT_EQ(m.quotedPath, "\"" + r.path + "\"") << r.name;
    EXPECT_EQ(m.kind, r.kind) << r.name;
    EXPECT_EQ(m.width, r.width) << r.name;
    EXPECT_EQ(m.height, r.height) << r.name;
    EXPECT_EQ(m.frameRate, r.frameRate) << r.name;
    EXPECT_EQ(m.extension, r.extension) << r.name;
    EXPECT_EQ(m.duration.size(), 11u) << r.name;
    EXPECT_EQ(m.duration.rfind(r.duration, 0), 0u) << r.name << ": " << m.duration;
    EXPECT_EQ(text::SecondsOfDuration(m.duration), int(r.seconds)) << r.name;
    if (r.seconds > 0) {
      int want = ExpectedKbPerSecond(r.path, r.seconds);
      EXPECT_NEAR(text::ToInteger(m.bitrate), want, want / 20 + 2) << r.name << ": " << m.bitrate;
      EXPECT_EQ(m.bitrate.find(' '), std::string::npos) << r.name;
    }
  }
}

TEST(ProbeRealConverter, PortraitAndUpperCaseExtension) {
  namespace ts = testing_support;
  std::string copy = ts::TempFolder() + "/upper/CLIP.MP4";
  std::filesystem::create_directories(ts::TempFolder() + "/upper");
  std::filesystem::copy_file(ts::VideoWithoutSound(360, 640, 2, 30), copy,
                             std::filesystem::copy_options::overwrite_existing);
  ProbeOutcome out = ProbeFile(copy);
  ASSERT_EQ(out.status, ProbeStatus::Parsed);
  EXPECT_EQ(out.info.kind, 3);
  EXPECT_EQ(out.info.width, 360);
  EXPECT_EQ(out.info.height, 640);
  EXPECT_EQ(out.info.frameRate, "30");
  EXPECT_EQ(out.info.extension, ".mp4");
}

TEST(ProbeRealConverter, GarbageIsRefusedWithTheConvertersLine) {
  std::string path = testing_support::TempFolder() + "/garbage.mp4";
  ASSERT_EQ(testing_support::Shell("head -c 3000 /dev/urandom > '" + path + "'"), 0);
  ProbeOutcome out = ProbeFile(path);
  EXPECT_EQ(out.status, ProbeStatus::Failed);
  EXPECT_NE(text::Find(out.failureLine, "invalid", 1, text::Case::Ignore), -1) << out.failureLine;
}
