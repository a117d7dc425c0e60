// "veltrano.ini" beside the executable, through the platform's profile functions.
#pragma once
#include "settings/app_settings.h"

#include <string>

std::wstring SettingsFilePath();
void LoadSettings();
void SaveSettings();

AppSettings LoadSettingsFrom(const std::wstring& path);
void SaveSettingsTo(const AppSettings& settings, const std::wstring& path);
