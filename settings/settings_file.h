// "veltrano.ini" beside the executable, or in the user's own folder when the executable's cannot be written:
// read through the platform's profile functions (by their rules for a file in UTF-8), written whole.
#pragma once
#include "settings/app_settings.h"
#include "settings/settings_file_rules.h"

#include <string>

struct SettingsPlace {
    std::wstring path;
    // Read instead of `path` at the start: the file beside the exe gives the user's first settings.
    std::wstring seed;
    bool besideExe = true;
};

// Where this run keeps its settings, decided at the first call by trying to make a file beside the exe.
const SettingsPlace& SettingsPlaceOfThisRun();
std::wstring SettingsFilePath();
AppSettings LoadSettings();
// A file another program holds is tried again for a moment. Otherwise why nothing was written; the file is
// then as it was.
SaveOutcome SaveSettings(const AppSettings& settings);

AppSettings LoadSettingsFrom(const std::wstring& path);
SaveOutcome SaveSettingsTo(const AppSettings& settings, const std::wstring& path);
