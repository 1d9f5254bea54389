#pragma once
// The converter argument text of one task: inputs with their loop options, one
// -filter_complex graph (blurred and enlarged background, the foreground laid over it as one
// copy or a row of copies, an optional GIF blended over the background, up to three sound
// tracks mixed), the video post-filters, bitrate, audio options and the output file.
//
// The builder is a pure function of the task record, the four effect filter texts and two
// file-system callbacks. It changes the record only where the record no longer matches the
// disk (a background file that is gone) and through the audio rule; it reports both so that
// the window can show them.
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "task/control_rules.h"
#include "task/output_name.h"
#include "task/task_record.h"

namespace task {

enum class BuildMode { Trial, Full };

struct BuildEnvironment {
  // Filter texts of the four effects: vertical bounce, horizontal bounce, colour change,
  // psychedelic (in this order).
  std::array<std::string, 4> effectFilters;
  // A file or folder of that name exists.
  ExistsFn exists;
  // Creates the folder and every missing folder above it; its result is not examined.
  std::function<bool(const std::string&)> makeDirs;
  // A follow task's crop-path file, written by its analysis ("": named after the temporary
  // output), and whether some scene shows the blurred look (else the graph leaves that out).
  std::string followPath = "";
  bool followBlurred = true;
};

// The real file system: plat::FileExists and plat::MakeDirs.
BuildEnvironment DiskEnvironment(const std::array<std::string, 4>& effectFilters);

struct BuildResult {
  std::string text;        // argument text that follows the converter's path
  std::string outputPath;  // the temporary output file the text writes
  // The background file was not there: the record's background is now a copy of the
  // foreground and the background's sound switch is off.
  bool backgroundReplaced = false;
  // The audio rule changed the mute switch or the audio fade switches of the record.
  bool audioRuleChanged = false;
  // The files the title and caption filters read; the runner writes them before the
  // converter starts and removes them after.
  std::vector<BandTextFile> textFiles;
};

BuildResult BuildCommand(TaskRecord& task, BuildMode mode, const BuildEnvironment& env);

}  // namespace task
