#include "probe/probe_cli.h"

#include <cstdio>

namespace probe {
// Not yet built.
int RunProbeCommand(const std::string&) {
  std::fprintf(stderr, "flipframe: --probe is not available yet\n");
  return 2;
}
}  // namespace probe
