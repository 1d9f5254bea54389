#include "probe/converter.h"

#include <algorithm>
#include <mutex>

namespace probe {
namespace {

std::mutex g_mutex;
std::string g_path;
bool g_resolved = false;

std::string Resolve() {
  std::string beside = plat::ProgramFolder() + "/ffmpeg";
  std::string found = plat::IsExecutableFile(beside) ? beside : plat::FindOnPath("ffmpeg");
  return plat::CanonicalPath(found);
}

}  // namespace

const std::string& ConverterPath() {
  std::lock_guard<std::mutex> lock(g_mutex);
  if (!g_resolved) {
    g_path = Resolve();
    g_resolved = true;
  }
  return g_path;
}

void ResolveConverterAgain() {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_path = Resolve();
  g_resolved = true;
}

std::string MissingConverterMessage() {
  return "找不到转换程序 ffmpeg：请把 ffmpeg 放在程序所在的文件夹 " + plat::ProgramFolder() +
         "，或安装 ffmpeg（sudo apt-get install ffmpeg）。";
}

std::string OwnerEnvironmentEntry() { return "FLIPFRAME_OWNER=" + plat::ProgramFolder(); }

std::vector<std::string> SplitArguments(const std::string& text) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false, quoted = false;
  for (char c : text) {
    if (c == '"') {
      quoted = !quoted;
      inWord = true;  // "" is an (empty) word of its own
    } else if (c == ' ' && !quoted) {
      if (inWord) words.push_back(word);
      word.clear();
      inWord = false;
    } else {
      word.push_back(c);
      inWord = true;
    }
  }
  if (inWord) words.push_back(word);
  return words;
}

std::vector<std::string> TaskArguments(const std::string& commandLine) {
  std::vector<std::string> words{"-hide_banner"};
  for (std::string& w : SplitArguments(commandLine)) words.push_back(std::move(w));
  return words;
}

plat::Child StartConverter(const std::vector<std::string>& args) {
  const std::string& path = ConverterPath();
  if (path.empty()) return {};
  std::vector<std::string> argv;
  argv.reserve(args.size() + 1);
  argv.push_back(path);
  argv.insert(argv.end(), args.begin(), args.end());
  return plat::StartWithCapture(argv, {OwnerEnvironmentEntry()});
}

ConverterOutput RunConverterToEnd(const std::vector<std::string>& args, std::stop_token stop,
                                  size_t keepBytes) {
  ConverterOutput out;
  const plat::Child child = StartConverter(args);
  if (!child.started()) return out;
  std::mutex guard;
  bool ended = false;
  const std::stop_callback onStop(stop, [&] {
    const std::lock_guard lock(guard);
    if (!ended) plat::KillProcess(child.pid);
  });
  char buffer[65536];
  for (int n; (n = plat::ReadSome(child.readFd, buffer, sizeof buffer)) > 0;)
    if (out.bytes.size() < keepBytes)
      out.bytes.append(buffer, std::min(size_t(n), keepBytes - out.bytes.size()));
  plat::CloseFd(child.readFd);
  {
    const std::lock_guard lock(guard);
    ended = true;
  }
  // Its output closed: it is ending; one that lingers is ended.
  plat::ReapChild(child.pid, 2000, &out.exitStatus);
  out.stopped = stop.stop_requested();
  return out;
}

}  // namespace probe
