// "veltrano.ini" beside the executable: read through the platform's profile functions, written whole.
#pragma once
#include "settings/app_settings.h"
#include "settings/settings_file_rules.h"

#include <string>

std::wstring SettingsFilePath();
AppSettings LoadSettings();
// A file another program holds is tried again for a moment. Otherwise why nothing was written; the file is
// then as it was.
SaveOutcome SaveSettings(const AppSettings& settings);

AppSettings LoadSettingsFrom(const std::wstring& path);
SaveOutcome SaveSettingsTo(const AppSettings& settings, const std::wstring& path);
