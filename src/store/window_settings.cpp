#include "store/window_settings.h"

#include <QSettings>

#include <algorithm>
#include <string>
#include <thread>

#include "platform/platform.h"
#include "store/presets.h"
#include "store/utf8.h"

namespace app {
namespace {

const char kJobsKey[] = "batch/jobs";

QString SettingsFile() {
  const std::string dePath = presets::SettingsPath();
  if (dePath.empty()) return {};
  return FromUtf8(dePath.substr(0, dePath.rfind('/') + 1) + "flipframe.ini");
}

}  // namespace

int MaxJobs() { return std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 2, 8); }

WindowSettings LoadWindowSettings() {
  WindowSettings settings;
  const QString file = SettingsFile();
  // QSettings reads the whole file: a FIFO would hang the start, a device never end.
  if (file.isEmpty() || !plat::IsRegularOrMissing(ToUtf8(file))) return settings;
  const QSettings stored(file, QSettings::IniFormat);
  bool ok = false;
  const int jobs = stored.value(QLatin1String(kJobsKey)).toInt(&ok);
  if (ok && jobs >= 1 && jobs <= MaxJobs()) settings.jobs = jobs;
  return settings;
}

bool SaveWindowSettings(const WindowSettings& settings) {
  const QString file = SettingsFile();
  if (file.isEmpty() || !plat::IsRegularOrMissing(ToUtf8(file))) return false;
  QSettings stored(file, QSettings::IniFormat);
  stored.setValue(QLatin1String(kJobsKey), settings.jobs);
  stored.sync();
  return stored.status() == QSettings::NoError;
}

}  // namespace app
