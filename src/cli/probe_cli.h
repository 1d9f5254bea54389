#pragma once
#include <string>

namespace probe {

// Why `path` cannot be probed at all, in one line ("" when it can): missing, a folder, not a
// regular file, unreadable, empty, or holding a double quote (every path enters the command
// text between double quotes).
std::string ProbeInputProblem(const std::string& path);

// `flipframe --probe FILE`: probes FILE with the converter and prints its media info as
// "field: value" lines (kind, width, height, duration, framerate, bitrate, extension) on
// standard output. Returns the process exit status: 0 when the file was described,
// 1 when the converter refused it or said nothing usable, 2 for a file that cannot be
// probed, 3 when no converter is found. Every failure prints one line on standard error.
int RunProbeCommand(const std::string& path);

}  // namespace probe
