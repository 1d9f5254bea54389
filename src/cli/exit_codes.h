#pragma once
// The exit statuses of every command line (convert, run, --probe and main's own refusals).
namespace app {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;       // a task failed or a file was refused; no display for the window
inline constexpr int kExitUsage = 2;        // a usage error, or a file or list that cannot be used at all
inline constexpr int kExitNoConverter = 3;  // --probe found no converter
inline constexpr int kExitStopped = 130;    // SIGINT or SIGTERM

}  // namespace app
