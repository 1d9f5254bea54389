#pragma once
// A small parser for long command-line options ("--name VALUE", "--name=VALUE", flags,
// "--" before file names that start with a dash), driven by a table that also gives the
// --help text. Shared by the program's subcommands.
#include <map>
#include <string>
#include <vector>

namespace pipeline {

struct OptionSpec {
  const char* name;       // without the dashes
  const char* valueName;  // nullptr for a flag
  const char* help;
  const char* defaultText;  // shown as "(default: ...)"; nullptr shows none
};

struct ParsedOptions {
  std::map<std::string, std::string> values;  // flags hold ""; the last of a repeated option wins
  std::vector<std::string> operands;          // everything that is no option
  bool help = false;                          // --help or -h
  std::string error;                          // a usage error, "" when none
  // Each value of each option, in the order given.
  std::map<std::string, std::vector<std::string>> every;

  bool has(const std::string& name) const { return values.count(name) != 0; }
};

ParsedOptions ParseOptions(const std::vector<OptionSpec>& specs, const std::vector<std::string>& args);

// One line per option, --help last: "  --name VALUE   help（默认：...）".
std::string OptionsHelp(std::vector<OptionSpec> specs);

// A decimal integer in [low, high]; false for anything else.
bool ParseIntIn(const std::string& text, int low, int high, int& out);
// --jobs N of `run` and `convert`: tasks run at once, 1 to kMaxJobs.
constexpr int kMaxJobs = 32;
const char* JobsHelp();
// Reads --jobs into `jobs` when given; false with `error` set when it is no number in range.
bool ParseJobs(const ParsedOptions& parsed, int& jobs, std::string& error);
// A comma-separated list split into its items ("" gives none).
std::vector<std::string> SplitList(const std::string& text);

}  // namespace pipeline
