#pragma once
// The external converter `ffmpeg`: where it is, how its argument text is split into words,
// and how it is started so that the program recognises it as one of its own later.
#include <cstddef>
#include <stop_token>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace probe {

// Program folder + "/ffmpeg" when that is executable, else the first `ffmpeg` on PATH,
// resolved to its canonical path. "" when there is none. Resolved on first use.
const std::string& ConverterPath();
// Resolves the converter again (tests change the program folder or PATH).
void ResolveConverterAgain();
// Message shown when no converter was found.
std::string MissingConverterMessage();

// "FLIPFRAME_OWNER=<program folder>": every converter the program starts carries it.
std::string OwnerEnvironmentEntry();

// Splits an argument text into words like the command interpreter: blanks separate words
// outside double quotes, quoted and unquoted stretches without a blank between them form
// one word, the quotes are removed, there are no escape characters.
std::vector<std::string> SplitArguments(const std::string& text);
// The arguments a task's stored command runs the converter with: "-hide_banner", then the
// split text.
std::vector<std::string> TaskArguments(const std::string& commandLine);

// Starts the converter with `args` (already split), stdout+stderr into one pipe, carrying
// the ownership variable. pid -1 when it could not be started (or no converter exists).
plat::Child StartConverter(const std::vector<std::string>& args);

struct ConverterOutput {
  std::string bytes;  // all it printed, up to the limit asked for
  int exitStatus = -1;
  bool stopped = false;  // a stop request killed it
};
// Runs the converter with `args` to its end, keeping the first `keepBytes` of all it prints
// (a picture written to its standard output, say); a stop request kills it.
ConverterOutput RunConverterToEnd(const std::vector<std::string>& args, std::stop_token stop,
                                  size_t keepBytes);

}  // namespace probe
