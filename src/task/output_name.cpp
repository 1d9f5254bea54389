#include "task/output_name.h"

namespace task {
namespace {

size_t FileNameStart(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? 0 : slash + 1;
}

// The path without the extension of its file-name part (unchanged when the name has no dot).
std::string WithoutExtension(const std::string& path) {
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos || dot < FileNameStart(path)) return path;
  return path.substr(0, dot);
}

}  // namespace

std::string OutputName(const std::string& path, const std::string& suffix, const std::string& extension,
                       const ExistsFn& exists) {
  if (suffix == "_tmp") {
    const std::string stem = WithoutExtension(path);
    std::string candidate = stem + "_tmp" + extension;
    for (long k = 1; exists(candidate); ++k) candidate = stem + "_tmp_" + std::to_string(k) + extension;
    return candidate;
  }
  // A finished temporary file: cut its name at the "_tmp" the builder added. That is the last
  // one in the file name, so a source called "my_tmp_clip" keeps its own name.
  std::string stem = WithoutExtension(path);
  const size_t nameStart = FileNameStart(stem);
  const size_t tmp = stem.rfind("_tmp");
  if (tmp != std::string::npos && tmp >= nameStart) stem.erase(tmp);
  stem += suffix;
  std::string candidate;
  for (long k = 1;; ++k) {
    candidate = stem + "_" + std::to_string(k) + extension;
    if (!exists(candidate)) return candidate;
  }
}

std::string WithNameAddition(const std::string& path, const std::string& addition) {
  const std::string stem = WithoutExtension(path);
  return stem + addition + path.substr(stem.size());
}

}  // namespace task
