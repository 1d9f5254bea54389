// The stream-info parser on hand-written converter output (the real converter's output for
// generated media is parsed in probe_cli_test).
#include "probe/stream_info.h"

#include <gtest/gtest.h>

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
  std::string bannerAndVideo = kBanner;
  bannerAndVideo += kVideoWithSound;  // appended, not summed: gcc 12 misreads the sum (-Wstringop-overflow)
  struct Row {
    std::string chunk;
    Verdict want;
  } rows[] = {
      {kBanner, Verdict::NotYet},
      {bannerAndVideo, Verdict::Parsed},
      // With level tags only error lines fail: not a warning, metadata or an echoed name.
      {"[info] Input #0, mov, from '/v/Invalid failed! errer.mp4':\n[info]   Duration: 00:00:01.00, start",
       Verdict::Parsed},
      {"[sws @ 0x1] [warning] Invalid pixel aspect ratio\n[info]     title : errer\n[info]   Duration: "
       "00:00:01.00",
       Verdict::Parsed},
      {"[fatal] /v/x.mp4: Invalid data found when processing input\n", Verdict::Failed},
      {"[info]   Duration: 00:00:01.00\n[info]   Stream #0:0: Video: png, pal8, 64x64\n", Verdict::Failed},
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

TEST(ProbeParseStreams, DurationKindWidthAndHeightOfEachKindOfMedia) {
  const struct {
    const char* name;
    std::string chunk;
    int kind, width, height;
    const char* duration;
  } rows[] = {
      {"video with sound, hex tag skipped", kVideoWithSound, 5, 1920, 1080, "00:00:05.00"},
      {"video without sound",
       "Duration: 00:00:05.00, start: 0.0, bitrate: 9 kb/s\n"
       "  Stream #0:0[0x1](und): Video: h264 (Constrained Baseline) (avc1 / 0x31637661), "
       "yuv420p(progressive), 640x360 [SAR 1:1 DAR 16:9], 8 kb/s, 25 fps, 25 tbr\n",
       3, 640, 360, "00:00:05.00"},
      {"still picture 00:00:00.04",
       "Duration: 00:00:00.04, start: 0.000000, bitrate: N/A\n"
       "  Stream #0:0: Video: mjpeg (Baseline), yuvj444p(pc), 640x480 [SAR 1:1 DAR 4:3], 25 tbr\n",
       1, 640, 480, "00:00:00.04"},
      {"GIF animation",
       "Duration: 00:00:03.00, start: 0.000000, bitrate: 731 kb/s\n"
       "  Stream #0:0: Video: gif, bgra, 480x270, 10 fps, 10 tbr\n",
       4, 480, 270, "00:00:03.00"},
      {"sound only",
       "Duration: 00:00:05.00, start: 0.000000, bitrate: 72 kb/s\n"
       "  Stream #0:0[0x1](und): Audio: aac (LC) (mp4a / 0x6134706D), 44100 Hz, mono, fltp\n",
       2, 0, 0, "00:00:05.00"},
      {"N/A duration from a stream reader is a moving picture",
       "Input #0, h264, from 'raw.h264':\n  Duration: N/A, bitrate: N/A\n"
       "  Stream #0:0: Video: h264 (High), yuv420p(progressive), 320x240, 25 fps, 25 tbr\n",
       3, 320, 240, "N/A, bitrat"},
      {"N/A duration from an image-pipe reader is a still picture",
       "Input #0, png_pipe, from 'still.png':\n  Duration: N/A, bitrate: N/A\n"
       "  Stream #0:0: Video: png, rgb24(pc), 640x480 [SAR 1:1 DAR 4:3], 25 fps, 25 tbr\n",
       1, 640, 480, "N/A, bitrat"},
      {"size on the next line of a wrapped video line",
       "Duration: 00:00:02.00, start: 0.0, bitrate: 5 kb/s\n"
       "  Stream #0:0: Video: h264\n    (avc1), 720x576, 25 fps\n",
       3, 720, 576, "00:00:02.00"},
      {"x after an opening bracket is skipped",
       "Duration: 00:00:02.00\n  Stream #0:0: Video: rawvideo ([0x1] / 0x0), bgr24, 100x50, 25 fps\n", 3, 100,
       50, "00:00:02.00"},
      // No acceptable size: the width of the last candidate that reached the width read
      // stays, the height stays 0 and only the sound counts.
      {"no acceptable size",
       "Duration: 00:00:02.00\n  Stream #0:0: Video: foo, 12x\n  Stream #0:1: Audio: aac\n", 2, 12, 0,
       "00:00:02.00"},
      {"no video line at all", "Duration: 00:00:02.00, start: 0.0\n", 0, 0, 0, "00:00:02.00"},
      {"chunk ends inside the duration", "Duration: 00:00", 0, 0, 0, "00:00"},
  };
  for (const auto& r : rows) {
    Examination e = ExamineChunk(r.chunk);
    ASSERT_EQ(e.verdict, Verdict::Parsed) << r.name;
    const std::string duration = DurationText(r.chunk, e.durationPos);
    EXPECT_EQ(duration, r.duration) << r.name;
    StreamFacts f = ParseStreams(r.chunk, duration);
    EXPECT_EQ(f.kind, r.kind) << r.name;
    EXPECT_EQ(f.width, r.width) << r.name;
    EXPECT_EQ(f.height, r.height) << r.name;
  }
}

TEST(ProbeBitrateText, EndsAtKbPerSecondAndALineBreak) {
  struct Row {
    const char* chunk;
    const char* want;
  } rows[] = {
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
  struct Row {
    const char* chunk;
    const char* want;
  } rows[] = {
      {kVideoWithSound, "25"},
      {"Stream #0:0: Video: h264, yuv420p, 1280x720, 29.97 fps, 29.97 tbr", "29.97"},
      {"Stream #0:0: Video: gif, bgra, 480x270, 10 fps, 10 tbr", "10"},
      {"Stream #0:0: Audio: aac, 44100 Hz", ""},
      {"30 fps, 30 tbr", "30"},  // no ", " in front: from the first byte
  };
  for (const auto& r : rows) EXPECT_EQ(FrameRateText(r.chunk), r.want) << r.chunk;
}

TEST(ProbeQuarterTurns, SideDataOfTheVideoStreamTurnsTheSize) {
  const std::string video =
      "Input #0, mov,mp4,m4a,3gp,3g2,mj2, from 'phone.mp4':\n"
      "  Duration: 00:00:05.00, start: 0.000000, bitrate: 900 kb/s\n"
      "  Stream #0:0[0x1](und): Video: h264 (High) (avc1 / 0x31637661), yuv420p(tv), 1280x720, 25 fps\n"
      "    Metadata:\n";
  const std::string audio = "  Stream #0:1[0x2](und): Audio: aac (LC), 44100 Hz, stereo, fltp\n";
  const struct {
    std::string sideData;  // lines between the video stream's and the audio stream's
    int turns, width, height;
  } rows[] = {
      {"", 0, 1280, 720},
      {"    Side data:\n      displaymatrix: rotation of 90.00 degrees\n", 1, 720, 1280},
      {"    Side data:\r\n      displaymatrix: rotation of -90.00 degrees\r\n", 3, 720, 1280},
      {"    Side data:\n      displaymatrix: rotation of 270.00 degrees\n", 3, 720, 1280},
      {"    Side data:\n      displaymatrix: rotation of -180.00 degrees\n", 2, 1280, 720},
      {"    Side data:\n      displaymatrix: rotation of 89.50 degrees\n", 1, 720, 1280},
      {"    Side data:\n      displaymatrix: rotation of 45.00 degrees\n", 0, 1280, 720},  // not turned
      {"      title           : displaymatrix: rotation of 90.00 degrees\n", 0, 1280, 720},
  };
  for (const auto& r : rows) {
    const std::string chunk = video + r.sideData + audio;
    EXPECT_EQ(QuarterTurns(chunk), r.turns) << r.sideData;
    const StreamFacts f = ParseStreams(chunk, "00:00:05.00");
    EXPECT_EQ(f.width, r.width) << r.sideData;
    EXPECT_EQ(f.height, r.height) << r.sideData;
  }
  // A turn under another stream is not the video's.
  EXPECT_EQ(QuarterTurns(video + audio + "    Side data:\n      displaymatrix: rotation of 90.00 degrees\n"),
            0);
}
