#include "settings/settings_file.h"

#include "base/file_replace.h"
#include "base/paths.h"

#include <windows.h>

namespace {

// UTF-16LE behind a byte-order mark: the profile functions keep such a file Unicode, where a single-byte file
// would turn titles such as "测试" into "??".
std::string UnicodeFileBytes(const std::wstring& text) {
    std::string bytes = "\xFF\xFE";
    bytes.reserve(2 + text.size() * 2);
    for (const wchar_t unit : text) {
        bytes.push_back(static_cast<char>(static_cast<unsigned>(unit) & 0xFF));
        bytes.push_back(static_cast<char>((static_cast<unsigned>(unit) >> 8) & 0xFF));
    }
    return bytes;
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

DWORD SaveSettingsTo(const AppSettings& settings, const std::wstring& path) {
    // Written whole and moved into place: a shutdown or a crash in the middle leaves the old file, never half
    // of one, and no key of an earlier, longer list stays behind.
    return ReplaceFileAtomically(path, UnicodeFileBytes(SettingsFileText(settings)), Durability::Flushed)
        .error;
}

AppSettings LoadSettings() {
    return LoadSettingsFrom(SettingsFilePath());
}

DWORD SaveSettings(const AppSettings& settings) {
    return SaveSettingsTo(settings, SettingsFilePath());
}
