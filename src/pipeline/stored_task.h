#pragma once
// Tasks read from a task list file. Lists are mailed around and kept on shared drives, so a
// stored task is data from anyone: its fields are checked before it is taken, and the
// converter always runs the command the builder makes from those fields and the local
// effect filters (de.ini), never the command text stored with the task.
#include <array>
#include <string>
#include <vector>

#include "task/command_builder.h"
#include "task/task_record.h"

namespace pipeline {

using EffectFilters = std::array<std::string, 4>;

// Why a stored task may not be taken, in the program's words, or "" when every field that
// reaches the converter's command is sound: each source is an absolute path the window could
// have picked (so never an option or a protocol), the output format a plain extension (so
// the output stays in "result/" beside the foreground), the numbers within the ranges of
// their controls and the blend mode in its table, the duration, bitrate and frame rate texts
// numbers.
std::string StoredTaskProblem(const task::TaskRecord& r);

// The words the converter runs for a stored task, after "-hide_banner": the builder's full
// command made afresh from the task's fields, with `env`'s effect filters (the local de.ini's)
// and file system. The last word is the temporary output path, in "result/" beside the
// foreground. Every runner of stored tasks takes its words from here.
// `textFiles`, when given, receives the files the words' text filters read.
std::vector<std::string> RunWords(const task::TaskRecord& stored, const task::BuildEnvironment& env,
                                  std::vector<task::BandTextFile>* textFiles = nullptr);

// How a task's stored command text compares with the command it is run with (the output
// path left aside: its name depends on the files present when it was built).
enum class StoredCommand {
  Same,
  OtherEffects,  // the same but for the effect filters: made with another de.ini
  Differs,       // made from other settings than the task's fields, or by another builder
};
StoredCommand CompareStoredCommand(const task::TaskRecord& stored, const EffectFilters& local);

// One line about the tasks (in list order) whose stored command is not what runs, naming
// `list`; "" when every one is Same.
std::string StoredCommandNotice(const std::string& list, const std::vector<StoredCommand>& tasks);

}  // namespace pipeline
