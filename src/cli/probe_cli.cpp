#include "cli/probe_cli.h"

#include <cstdio>

#include "cli/exit_codes.h"
#include "platform/platform.h"
#include "probe/converter.h"
#include "probe/path_check.h"
#include "probe/probe_file.h"

namespace probe {

std::string ProbeInputProblem(const std::string& path) {
  if (path.empty()) return "没有给出文件";
  if (path.find('"') != std::string::npos) return "路径中含有双引号：" + path;
  if (!plat::FileExists(path)) return "文件不存在：" + path;
  if (plat::IsDirectory(path)) return "这是文件夹，不是文件：" + path;
  if (!plat::IsReadableFile(path)) {
    // stat() works, so it is either no regular file (a pipe, a device) or we lack the right.
    return "无法读取此文件（不是普通文件，或没有读取权限）：" + path;
  }
  if (plat::FileSize(path) == 0) return "文件为空：" + path;
  // The same path check as the window's pickers, in the program's own words.
  if (const char* problem = PathProblem(path); *problem) return std::string(problem) + " " + path;
  return {};
}

int RunProbeCommand(const std::string& path) {
  std::string problem = ProbeInputProblem(path);
  if (!problem.empty()) {
    std::fprintf(stderr, "flipframe: %s\n", problem.c_str());
    return app::kExitUsage;
  }
  ProbeOutcome out = ProbeFile(path);
  switch (out.status) {
    case ProbeStatus::MissingConverter:
      std::fprintf(stderr, "flipframe: %s\n", MissingConverterMessage().c_str());
      return app::kExitNoConverter;
    case ProbeStatus::Failed:
      std::fprintf(stderr, "flipframe: 转换程序无法读取 %s：%s\n", path.c_str(), out.failureLine.c_str());
      return app::kExitFailed;
    case ProbeStatus::NoVerdict:
      std::fprintf(stderr, "flipframe: 转换程序没有给出 %s 的媒体信息\n", path.c_str());
      return app::kExitFailed;
    case ProbeStatus::Parsed:
      break;
  }
  const MediaInfo& m = out.info;
  std::printf("kind: %d\nwidth: %d\nheight: %d\nduration: %s\nframerate: %s\nbitrate: %s\nextension: %s\n",
              m.kind, m.width, m.height, m.duration.c_str(), m.frameRate.c_str(), m.bitrate.c_str(),
              m.extension.c_str());
  return app::kExitOk;
}

}  // namespace probe
