#pragma once
// The aspect-ratio table and the copies limit of the window; the rules that use them live in
// task/control_rules.h.
#include "task/control_rules.h"

namespace app {

inline constexpr const std::array<double, 23>& kRatioTable = task::kRatioTable;
inline constexpr int kMaxForegroundCopies = task::kMaxForegroundCopies;

}  // namespace app
