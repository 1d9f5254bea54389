#include "task/task_record.h"

namespace task {

std::string Unquote(const std::string& quoted) {
  if (quoted.size() >= 2 && quoted.front() == '"' && quoted.back() == '"')
    return quoted.substr(1, quoted.size() - 2);
  return quoted;
}

std::string Quote(const std::string& path) { return "\"" + path + "\""; }

}  // namespace task
