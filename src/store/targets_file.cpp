#include "store/targets_file.h"

#include "platform/platform.h"
#include "store/settings_location.h"
#include "targets_text.h"
#include "text/encoding.h"

namespace presets {

const char* BuiltInTargetsText() { return kBuiltInTargets; }

std::string TargetsPath() {
  const std::string folder = SettingsFolderFor(CurrentSettingsPlaceInputs());
  if (folder.empty()) return "";
  plat::MakeDirs(folder);
  return folder + "/targets.ini";
}

task::TargetFile LoadTargets(const std::string& path) {
  std::string bytes;
  if (plat::FileSize(path) <= 0) {
    // Only a file that is still missing or empty is written; a failed write changes nothing.
    plat::WriteFileAtomically(path, kBuiltInTargets);
    return task::ParseTargets(kBuiltInTargets);
  }
  if (!plat::IsReadableFile(path) || !plat::ReadFile(path, &bytes))
    return task::ParseTargets(kBuiltInTargets);
  return task::ParseTargets(text::Utf8OrGbkToUtf8(bytes));
}

task::TargetFile LocalTargets() {
  const std::string path = TargetsPath();
  return path.empty() ? task::ParseTargets(kBuiltInTargets) : LoadTargets(path);
}

}  // namespace presets
