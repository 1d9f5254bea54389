#pragma once
// Where de.ini lives. Run from a build or a copied folder, flipframe is portable and keeps
// de.ini beside itself; run installed, it keeps de.ini in the user's config folder and writes
// nothing beside the program.
#include <string>

namespace presets {

struct SettingsPlaceInputs {
  std::string programFolder;     // folder of the running executable
  std::string installBinFolder;  // the configured install prefix's bin folder
  // The program folder is PREFIX/bin and PREFIX/share/applications holds our desktop entry:
  // an install to a prefix other than the configured one (a staging or temporary prefix).
  bool desktopEntryInPrefix = false;
  std::string xdgConfigHome;  // $XDG_CONFIG_HOME, "" when unset
  std::string home;           // $HOME, "" when unset
  std::string xdgStateHome;   // $XDG_STATE_HOME, "" when unset
};

// True when the program runs from an install location.
bool RunsInstalled(const SettingsPlaceInputs& in);

// Folder that holds de.ini: the program folder, or when installed $XDG_CONFIG_HOME/flipframe
// ($XDG_CONFIG_HOME only when absolute, else $HOME/.config). "" when installed without a
// usable home: then no file is read or written and the built-in presets apply.
std::string SettingsFolderFor(const SettingsPlaceInputs& in);

// Folder for what the program keeps of its own state (the session's task list), decided the
// same way: the program folder, or when installed $XDG_STATE_HOME/flipframe ($HOME/.local/state
// when unset or relative). "" when installed without a usable home.
std::string StateFolderFor(const SettingsPlaceInputs& in);

// Folder for crash reports: "crashes" in StateFolderFor ("" when that is "").
std::string CrashFolderFor(const SettingsPlaceInputs& in);

// The inputs of this process: its program folder, the build's install folders, its environment.
SettingsPlaceInputs CurrentSettingsPlaceInputs();

}  // namespace presets
