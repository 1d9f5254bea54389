#pragma once
// Reads the converter's description of one input file ("ffmpeg -i FILE" output) into the
// media info of a source. Every chunk of output is judged on its own; nothing is carried
// from one chunk to the next.
#include <string>
#include <string_view>

namespace probe {

// What the parser says about one chunk of converter output.
enum class Verdict { Failed, NotYet, Parsed };

struct Examination {
  Verdict verdict = Verdict::NotYet;
  int durationPos = -1;  // 1-based position of "Duration: " when parsed
  int failurePos = -1;   // 1-based position of the first failure word found, when failed
};

// Where the converter's own words begin: right after the line that echoes the input path
// ("Input #0, FORMAT, from '<path>':"), so that a file name can never stand in for them.
// 1 without such a line; past the end when the chunk ends inside the path.
int StreamTextStart(std::string_view chunk);

// Failure words first, then "Duration: " after StreamTextStart: parsed when it is present,
// not yet otherwise. Output with level tags (see log_levels.h) fails on "invalid" (any
// letter case), "errer" or "failed!" in a line marked as an error, and on " pal8," among
// the streams; untagged output on any of the four anywhere.
Examination ExamineChunk(std::string_view chunk);

// The 11 characters right after "Duration: " (fewer when the chunk ends).
std::string DurationText(std::string_view chunk, int durationPos);

struct StreamFacts {
  int kind = 0;  // +1 GIF, +1 still picture or +3 moving picture, +2 sound
  int width = 0;
  int height = 0;
};
// Walks the video line(s) for the first acceptable "WIDTHxHEIGHT" and looks for sound.
// A size counts as a still picture when the duration reads 00:00:00.0x, or when it reads N/A
// and the input was read by one of the converter's image-pipe readers (png_pipe, ...).
// The size is the one the viewer sees: swapped for a stream turned a quarter (below), as
// the converter turns such frames when it decodes them.
StreamFacts ParseStreams(std::string_view chunk, std::string_view duration);

// The turn of the first video stream in quarter turns (0 to 3), from the side-data line
// "displaymatrix: rotation of -90.00 degrees" among that stream's lines (phones store
// portrait clips as landscape frames with such a turn). 0 without one, and for an angle
// more than a degree away from a quarter turn (the converter does not turn those).
int QuarterTurns(std::string_view chunk);

// The value after ", bitrate:" up to " kb/s" and a line break ("\r\n" or "\n"), blanks
// trimmed; "" when either marker is missing.
std::string BitrateText(std::string_view chunk, int durationPos);

// The characters in front of " fps, " back to the preceding ", "; "" without " fps, ".
// Streams and frame rate are only looked for after StreamTextStart.
std::string FrameRateText(std::string_view chunk);

// Everything a probe learns about one source file.
struct MediaInfo {
  std::string quotedPath;  // the path between double quotes
  int kind = 0;
  int width = 0, height = 0;
  std::string duration;    // e.g. 00:00:05.00
  std::string frameRate;   // e.g. 25 or 29.97
  std::string bitrate;     // kb/s, e.g. 1234
  std::string extension;   // lower case with its dot, e.g. .mp4
  std::string audioCodec;  // the first sound stream's codec, e.g. aac; "" without sound
};

// The codec name of the first sound stream (": Audio: aac (LC) ..." gives "aac"), "" when the
// chunk shows none.
std::string AudioCodecText(std::string_view chunk);

// All the facts of a parsed chunk (durationPos from ExamineChunk) about the file at `path`.
MediaInfo ReadMediaInfo(std::string_view chunk, int durationPos, const std::string& path);

}  // namespace probe
