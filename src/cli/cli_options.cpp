#include "cli/cli_options.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace pipeline {

ParsedOptions ParseOptions(const std::vector<OptionSpec>& specs, const std::vector<std::string>& args) {
  ParsedOptions p;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--") {
      p.operands.insert(p.operands.end(), args.begin() + long(i) + 1, args.end());
      break;
    }
    if (a == "--help" || a == "-h") {
      p.help = true;
      continue;
    }
    if (a.size() < 2 || a[0] != '-') {
      p.operands.push_back(a);
      continue;
    }
    if (a.rfind("--", 0) != 0) {
      p.error = "未知的选项 " + a;
      return p;
    }
    const size_t eq = a.find('=');
    const std::string name = a.substr(2, eq == std::string::npos ? std::string::npos : eq - 2);
    const auto spec =
        std::find_if(specs.begin(), specs.end(), [&](const OptionSpec& s) { return name == s.name; });
    if (spec == specs.end()) {
      p.error = "未知的选项 --" + name;
      return p;
    }
    if (!spec->valueName) {
      if (eq != std::string::npos) {
        p.error = "选项 --" + name + " 不带值";
        return p;
      }
      p.values[name] = "";
    } else if (eq != std::string::npos) {
      p.every[name].push_back(p.values[name] = a.substr(eq + 1));
    } else if (i + 1 < args.size()) {
      p.every[name].push_back(p.values[name] = args[++i]);
    } else {
      p.error = "选项 --" + name + " 需要一个值（" + spec->valueName + "）";
      return p;
    }
  }
  return p;
}

std::string OptionsHelp(std::vector<OptionSpec> specs) {
  specs.push_back({"help", nullptr, "显示本说明", nullptr});
  size_t width = 0;
  std::vector<std::string> heads;
  for (const OptionSpec& s : specs) {
    heads.push_back(std::string("--") + s.name + (s.valueName ? std::string(" ") + s.valueName : ""));
    width = std::max(width, heads.back().size());
  }
  std::string out;
  for (size_t i = 0; i < specs.size(); ++i) {
    out += "  " + heads[i] + std::string(width - heads[i].size() + 2, ' ') + specs[i].help;
    if (specs[i].defaultText) out += std::string("（默认：") + specs[i].defaultText + "）";
    out += "\n";
  }
  return out;
}

bool ParseIntIn(const std::string& text, int low, int high, int& out) {
  if (text.empty() || text.size() > 9) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  const long v = std::strtol(text.c_str(), nullptr, 10);
  if (v < low || v > high) return false;
  out = static_cast<int>(v);
  return true;
}

std::vector<std::string> SplitList(const std::string& text) {
  std::vector<std::string> items;
  size_t start = 0;
  while (start <= text.size() && !text.empty()) {
    const size_t comma = text.find(',', start);
    items.push_back(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return items;
}

const char* JobsHelp() { return "同时执行的任务数，1 到 32（每个任务仍只转换一次）"; }

bool ParseJobs(const ParsedOptions& parsed, int& jobs, std::string& error) {
  if (!parsed.has("jobs")) return true;
  if (ParseIntIn(parsed.values.at("jobs"), 1, kMaxJobs, jobs)) return true;
  error = "--jobs 须为 1 到 " + std::to_string(kMaxJobs) + " 之间的整数，而不是“" + parsed.values.at("jobs") +
          "”";
  return false;
}

}  // namespace pipeline
