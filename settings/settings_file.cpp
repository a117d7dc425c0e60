#include "settings/settings_file.h"

#include "app/app_state.h"

#include <windows.h>

#include <cwctype>

namespace {

// The profile functions write a new file in the ANSI code page, which turns titles such as "测试" into "??".
// A file that starts with a UTF-16LE byte-order mark is kept Unicode by them, so a new file is created that
// way.
void CreateUnicodeFileIfMissing(const std::wstring& path) {
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    static constexpr unsigned char kByteOrderMark[] = {0xFF, 0xFE};
    DWORD written = 0;
    WriteFile(file, kByteOrderMark, sizeof(kByteOrderMark), &written, nullptr);
    CloseHandle(file);
}

// The profile functions drop the blanks at the start of a value, on writing and again on reading, so a title
// such as "  Notes" would come back as "Notes" and never match its window again. They also take off a pair of
// double quotes around a value, so such a value is written inside quotes and read back with its blanks. A
// stored key never ends in a quote (it ends in the process name or the bar), so no other value is affected.
std::wstring ProfileValue(std::wstring_view value) {
    if (!value.empty() && (iswspace(value.front()) || value.front() == L'\x1A'))
        return L"\"" + std::wstring(value) + L"\"";
    return std::wstring(value);
}

} // namespace

std::wstring SettingsFilePath() {
    return PathBesideExecutable(kSettingsFileName);
}

AppSettings LoadSettingsFrom(const std::wstring& path) {
    const std::wstring section(kSettingsSection);
    ProfileReader reader;
    reader.readInt = [&](std::wstring_view key, int defaultValue) {
        return static_cast<int>(
            GetPrivateProfileIntW(section.c_str(), std::wstring(key).c_str(), defaultValue, path.c_str()));
    };
    reader.readString = [&](std::wstring_view key) {
        wchar_t buffer[kProfileValueUnits] = {};
        GetPrivateProfileStringW(section.c_str(), std::wstring(key).c_str(), L"", buffer,
                                 static_cast<DWORD>(kProfileValueUnits), path.c_str());
        return std::wstring(buffer);
    };
    return ReadSettings(reader);
}

void SaveSettingsTo(const AppSettings& settings, const std::wstring& path) {
    CreateUnicodeFileIfMissing(path);
    const std::wstring section(kSettingsSection);
    WriteSettings(settings, [&](std::wstring_view key, std::optional<std::wstring_view> value) {
        const std::wstring keyText(key);
        if (value) {
            WritePrivateProfileStringW(section.c_str(), keyText.c_str(), ProfileValue(*value).c_str(),
                                       path.c_str());
        } else {
            WritePrivateProfileStringW(section.c_str(), keyText.c_str(), nullptr, path.c_str());
        }
    });
}

void LoadSettings() {
    app.settings = LoadSettingsFrom(SettingsFilePath());
}

void SaveSettings() {
    SaveSettingsTo(app.settings, SettingsFilePath());
}
