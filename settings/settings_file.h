// "veltrano.ini" beside the executable: read through the platform's profile functions, written whole.
#pragma once
#include "settings/app_settings.h"

#include <windows.h>

#include <string>

std::wstring SettingsFilePath();
AppSettings LoadSettings();
// ERROR_SUCCESS, or the system's reason why nothing was written; the file is then as it was.
DWORD SaveSettings(const AppSettings& settings);

AppSettings LoadSettingsFrom(const std::wstring& path);
DWORD SaveSettingsTo(const AppSettings& settings, const std::wstring& path);
