#include "settings/settings_file.h"

#include "base/file_replace.h"
#include "base/handles.h"
#include "base/paths.h"
#include "settings/profile_text.h"

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <optional>

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

bool FileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsReadOnlyFile(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

// Made the way a save makes its new file, and gone when closed. Access lists do not tell: a read-only share,
// a protected program folder, a folder locked by policy or by a file system's flags all refuse alike here.
bool CanMakeFile(const std::wstring& path) {
    HANDLE made = CreateFileW(path.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (made == INVALID_HANDLE_VALUE) return false;
    CloseHandle(made);
    return true;
}

// "%LOCALAPPDATA%\Veltrano\veltrano.ini", its folder made; empty where the system names no such folder.
std::wstring UserSettingsPath() {
    PWSTR known = nullptr;
    const HRESULT found = SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &known);
    const UniqueCoTaskMemory owned(known);
    if (FAILED(found) || !known) return {};
    const std::wstring folder = std::wstring(known) + L'\\' + std::wstring(kUserSettingsFolderName);
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder + L'\\' + std::wstring(kSettingsFileName);
}

SettingsPlace ChooseSettingsPlace() {
    const std::wstring beside = PathBesideExecutable(kSettingsFileName);
    const bool writable = CanMakeFile(beside + L".tmp");
    const std::wstring own = writable ? std::wstring() : UserSettingsPath();
    // With no folder of the user's to be had, the settings stay beside the exe, and a save says why it fails.
    const SettingsFiles files = ChooseSettingsFiles(writable || own.empty(), !own.empty() && FileExists(own));
    if (files.besideExe) return {beside, {}, true};
    return {own, files.seedFromBesideExe ? beside : std::wstring(), false};
}

// The file's text when it is UTF-8 that the profile functions would read in the ANSI code page.
std::optional<std::wstring> MisreadUtf8File(const std::wstring& path) {
    HANDLE opened =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (opened == INVALID_HANDLE_VALUE) return std::nullopt;
    const UniqueHandle file(opened);
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(opened, &size) || size.QuadPart <= 0 ||
        static_cast<unsigned long long>(size.QuadPart) > kMaxUtf8SettingsBytes)
        return std::nullopt;
    std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!ReadFile(opened, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr))
        return std::nullopt;
    bytes.resize(read);
    const std::optional<std::string_view> utf8 = MisreadUtf8Text(bytes);
    if (!utf8 || utf8->empty()) return std::nullopt;
    const int length = static_cast<int>(utf8->size());
    const int units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8->data(), length, nullptr, 0);
    if (units <= 0) return std::nullopt;
    std::wstring text(static_cast<std::size_t>(units), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8->data(), length, text.data(), units);
    return text;
}

// Between the tries of a save: what other programs send to this thread is answered (one that asks for a
// window's text, the end of the session), or they would wait as long; nothing else is taken (input, timers,
// posted messages), which could begin another save in the middle of this one.
void WaitAnsweringOthers(DWORD ms) {
    const ULONGLONG end = GetTickCount64() + ms;
    for (ULONGLONG now = GetTickCount64(); now < end; now = GetTickCount64()) {
        MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(end - now), QS_SENDMESSAGE, 0);
        MSG message;
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

} // namespace

const SettingsPlace& SettingsPlaceOfThisRun() {
    static const SettingsPlace place = ChooseSettingsPlace();
    return place;
}

std::wstring SettingsFilePath() {
    return SettingsPlaceOfThisRun().path;
}

AppSettings LoadSettingsFrom(const std::wstring& path) {
    if (const std::optional<std::wstring> text = MisreadUtf8File(path))
        return ReadSettings(ProfileReaderOfText(*text, kSettingsSection));
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

SaveOutcome SaveSettingsTo(const AppSettings& settings, const std::wstring& path) {
    // Written whole and moved into place: a shutdown or a crash in the middle leaves the old file, never half
    // of one, and no key of an earlier, longer list stays behind.
    const std::string bytes = UnicodeFileBytes(SettingsFileText(settings));
    const ULONGLONG start = GetTickCount64();
    for (int tries = 1;; ++tries) {
        const ReplaceOutcome replaced = ReplaceFileAtomically(path, bytes, Durability::Flushed);
        if (replaced.error == ERROR_SUCCESS) return {};
        const SaveOutcome outcome{TroubleOfSave(replaced.error, replaced.atMove, IsReadOnlyFile(path)),
                                  replaced.error};
        const std::optional<std::uint32_t> wait =
            NextSaveTryInMs(outcome.trouble, tries, GetTickCount64() - start);
        if (!wait) return outcome;
        WaitAnsweringOthers(*wait);
    }
}

AppSettings LoadSettings() {
    const SettingsPlace& place = SettingsPlaceOfThisRun();
    return LoadSettingsFrom(place.seed.empty() ? place.path : place.seed);
}

SaveOutcome SaveSettings(const AppSettings& settings) {
    return SaveSettingsTo(settings, SettingsFilePath());
}
