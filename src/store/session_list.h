#pragma once
// The session list: the window's task list as the user works on it, kept on disk after every
// change, so that a crash or a closed window loses nothing set up. Two files in the state
// folder (settings_location.h): "session.json", the list as it stands, and
// "session-before-clear.json", the list as it was before the last 清空全部任务. Both are task
// list files (task_list_file.h), written atomically under the list lock, so two windows at
// once never leave a damaged file (the last change written wins).
#include <string>
#include <vector>

#include "store/task_list_file.h"

namespace app {

struct SessionFiles {
  std::string current;      // "" when there is no state folder: nothing is kept
  std::string beforeClear;  // "" likewise
};

// The two files in `folder`; both "" for "".
SessionFiles SessionFilesIn(const std::string& folder);
// The files of this process (its state folder).
SessionFiles CurrentSessionFiles();

// What 恢复上次的任务列表 offers, read at start-up before anything is written: the session list
// when it holds tasks (the list as the program last closed or crashed), else the list before
// the last clear. A missing file gives no rows and no error. A task that was being converted
// comes back without its state, to run again. What a killed window left half written beside
// the files is removed.
LoadedTaskList LoadPreviousSession(const SessionFiles& files);

// Writes `rows` into `path` (its folder created when missing).
QString WriteSessionList(const std::string& path, const std::vector<TaskRow>& rows);

}  // namespace app
