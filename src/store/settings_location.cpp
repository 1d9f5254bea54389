#include "store/settings_location.h"

#include <QString>

#include "platform/platform.h"
#include "store/utf8.h"

namespace presets {

namespace {

std::string WithoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

// "/usr/bin" for "/usr/bin/" and the like; "" stays "".
bool SameFolder(const std::string& a, const std::string& b) {
  return !a.empty() && WithoutTrailingSlashes(a) == WithoutTrailingSlashes(b);
}

std::string Env(const char* name) { return app::ToUtf8(qEnvironmentVariable(name)); }

}  // namespace

bool RunsInstalled(const SettingsPlaceInputs& in) {
  return SameFolder(in.programFolder, in.installBinFolder) || in.desktopEntryInPrefix;
}

std::string SettingsFolderFor(const SettingsPlaceInputs& in) {
  if (!RunsInstalled(in)) return in.programFolder;
  // The XDG rule: a relative $XDG_CONFIG_HOME is invalid and ignored.
  if (!in.xdgConfigHome.empty() && in.xdgConfigHome[0] == '/')
    return WithoutTrailingSlashes(in.xdgConfigHome) + "/flipframe";
  if (!in.home.empty() && in.home[0] == '/') return WithoutTrailingSlashes(in.home) + "/.config/flipframe";
  return "";
}

std::string StateFolderFor(const SettingsPlaceInputs& in) {
  if (!RunsInstalled(in)) return in.programFolder;
  if (!in.xdgStateHome.empty() && in.xdgStateHome[0] == '/')
    return WithoutTrailingSlashes(in.xdgStateHome) + "/flipframe";
  if (!in.home.empty() && in.home[0] == '/')
    return WithoutTrailingSlashes(in.home) + "/.local/state/flipframe";
  return "";
}

std::string CrashFolderFor(const SettingsPlaceInputs& in) {
  const std::string folder = StateFolderFor(in);
  return folder.empty() ? "" : folder + "/crashes";
}

SettingsPlaceInputs CurrentSettingsPlaceInputs() {
  SettingsPlaceInputs in;
  in.programFolder = plat::ProgramFolder();
  in.installBinFolder = FLIPFRAME_INSTALL_BINDIR;
  const std::string binSuffix = std::string("/") + FLIPFRAME_RELATIVE_BINDIR;
  const std::string& folder = in.programFolder;
  if (folder.size() > binSuffix.size() && folder.ends_with(binSuffix)) {
    const std::string prefix = folder.substr(0, folder.size() - binSuffix.size());
    in.desktopEntryInPrefix = plat::FileExists(prefix + "/" + FLIPFRAME_DESKTOP_ENTRY);
  }
  in.xdgConfigHome = Env("XDG_CONFIG_HOME");
  in.xdgStateHome = Env("XDG_STATE_HOME");
  in.home = Env("HOME");
  return in;
}

}  // namespace presets
