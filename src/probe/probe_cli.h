#pragma once
#include <string>

namespace probe {
// `flipframe --probe FILE`: probes FILE with the converter and prints its media info as
// "field: value" lines. Returns the process exit status.
int RunProbeCommand(const std::string& path);
}  // namespace probe
