#include "store/session_list.h"

#include "platform/platform.h"
#include "store/settings_location.h"

namespace app {

SessionFiles SessionFilesIn(const std::string& folder) {
  if (folder.empty()) return {};
  return {folder + "/session.json", folder + "/session-before-clear.json"};
}

SessionFiles CurrentSessionFiles() {
  return SessionFilesIn(presets::StateFolderFor(presets::CurrentSettingsPlaceInputs()));
}

LoadedTaskList LoadPreviousSession(const SessionFiles& files) {
  LoadedTaskList found;
  for (const std::string& path : {files.current, files.beforeClear}) {
    if (path.empty()) continue;
    plat::RemoveLeftoversOf(plat::LinkTarget(path));  // a write a killed window left half done
    if (!plat::FileExists(path)) continue;
    found = LoadTaskList(path);
    // A task being converted when the program ended did not finish: it runs again.
    for (TaskRow& row : found.rows)
      if (IsRunningState(row.state)) row.speed.clear(), row.state.clear();
    if (!found.ok() || !found.rows.empty()) return found;
  }
  return found;
}

QString WriteSessionList(const std::string& path, const std::vector<TaskRow>& rows) {
  plat::MakeDirs(plat::FolderOf(path));
  return ReplaceTaskList(path, rows);
}

}  // namespace app
