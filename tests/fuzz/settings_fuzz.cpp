// The settings rules on arbitrary values: the stored form of a key, loading from any file, the clamps, and a
// save followed by a load; which bytes are read as UTF-8, and reading any text by the profile functions'
// rules.
#include "fuzz_input.h"
#include "settings/app_settings.h"
#include "settings/profile_text.h"

#include <algorithm>
#include <map>

namespace {

constexpr std::wstring_view kAlphabet = L"|\\rn\r\n\u241B-0123456789 a\x6D4B";
constexpr std::wstring_view kNoBreaks = L"\r\n";

// A marker field that leaves its key out of the file.
constexpr std::wstring_view kMissing = L"\\-";

bool HasAny(std::wstring_view text, std::wstring_view characters) {
    return text.find_first_of(characters) != std::wstring_view::npos;
}

std::wstring Without(std::wstring text, std::wstring_view characters) {
    std::erase_if(text, [&](wchar_t c) { return characters.find(c) != std::wstring_view::npos; });
    return text;
}

// The section of one settings file. A value can hold no line break: the file's lines end it.
struct Profile {
    std::map<std::wstring, std::wstring> values;
    std::map<std::wstring, int> reads;

    ProfileReader Reader() {
        ProfileReader reader;
        reader.readInt = [this](std::wstring_view key, int defaultValue) {
            ++reads[std::wstring(key)];
            const auto found = values.find(std::wstring(key));
            return found == values.end() ? defaultValue : ProfileIntOf(found->second);
        };
        reader.readString = [this](std::wstring_view key) {
            ++reads[std::wstring(key)];
            const auto found = values.find(std::wstring(key));
            return found == values.end() ? std::wstring() : found->second.substr(0, kProfileValueUnits - 1);
        };
        return reader;
    }

    // A save writes the whole file anew.
    void Save(const AppSettings& settings) {
        values.clear();
        for (const auto& [key, value] : ValuesOfSettings(settings)) {
            Require(!HasAny(value, kNoBreaks));
            values[key] = value;
        }
    }

    int HideKeysRead() const {
        int count = 0;
        for (const auto& [key, times] : reads) {
            if (key.rfind(L"hide", 0) == 0 && key != L"hideCount") count += times;
        }
        return count;
    }
};

// Any title comes back from its stored form, and the stored form holds no line break, whatever the title
// holds; process names are file names, which hold neither a bar nor a line break.
void CheckStoredForm(const std::wstring& title, const std::wstring& rawProcessName) {
    const WindowKey key{title, Without(rawProcessName, L"|\r\n")};
    const std::wstring stored = StoredFormOfKey(key);
    Require(!HasAny(stored, kNoBreaks));
    Require(stored.size() >= key.processName.size() + 1);
    Require(stored.compare(stored.size() - key.processName.size() - 1, std::wstring::npos,
                           L'|' + key.processName) == 0);
    Require(KeyFromStoredForm(stored) == key);
    const WindowKey parsed = KeyFromStoredForm(title);
    Require(!HasAny(parsed.processName, L"|"));
}

void CheckClamps(const std::wstring& text) {
    const int value = ProfileIntOf(text);
    const std::int32_t mods = HotkeyModsFromFile(value);
    Require(mods >= 1 && mods <= 15);
    Require(mods == ((value & 0xF) == 0 ? 3 : (value & 0xF)));
    const std::int32_t vk = HotkeyVkFromFile(value);
    Require(vk >= 8 && vk <= 254);
    Require(vk == value || vk == 32);
}

void CheckSettings(const AppSettings& settings) {
    Require(settings.hideList.size() <= static_cast<std::size_t>(kMaxHideEntries));
    for (const WindowKey& key : settings.hideList) {
        Require(!key.title.empty() || !key.processName.empty());
        Require(!HasAny(key.processName, L"|"));
    }
    Require(settings.hasFocusTarget ==
            (!settings.focusTarget.title.empty() || !settings.focusTarget.processName.empty()));
    Require(settings.hotkey.modifiers >= 1 && settings.hotkey.modifiers <= 15);
    Require(settings.hotkey.vk >= 8 && settings.hotkey.vk <= 254);
}

bool SameSettings(const AppSettings& a, const AppSettings& b) {
    return a.hideList == b.hideList && a.focusTarget == b.focusTarget &&
           a.hasFocusTarget == b.hasFocusTarget && a.hotkey == b.hotkey && a.noticeShown == b.noticeShown;
}

// Fields in order: hideCount, focus, hotkeyMods, hotkeyVk, noticeShown, then hide0, hide1, ...
void CheckLoadAndSave(const std::vector<std::wstring>& fields) {
    static const wchar_t* const kNamedKeys[] = {L"hideCount", L"focus", L"hotkeyMods", L"hotkeyVk",
                                                L"noticeShown"};
    Profile file;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (fields[i] == kMissing) continue;
        const std::wstring key = i < 5 ? std::wstring(kNamedKeys[i]) : L"hide" + std::to_wstring(i - 5);
        file.values[key] = Without(fields[i], kNoBreaks);
    }
    const AppSettings loaded = ReadSettings(file.Reader());
    CheckSettings(loaded);

    const auto count = file.values.find(L"hideCount");
    const int storedCount = count == file.values.end() ? 0 : ProfileIntOf(count->second);
    Require(file.HideKeysRead() == std::clamp(storedCount, 0, kMaxHideEntries));
    Require(loaded.hideList.size() <= static_cast<std::size_t>(file.HideKeysRead()));
    const auto notice = file.values.find(L"noticeShown");
    Require(loaded.noticeShown == (notice != file.values.end() && ProfileIntOf(notice->second) != 0));

    file.Save(loaded);
    Require(file.values[L"hideCount"] == std::to_wstring(loaded.hideList.size()));
    file.reads.clear();
    Require(SameSettings(ReadSettings(file.Reader()), loaded));
}

// Only the end of the bytes comes back, and only for UTF-8 behind its mark or beyond plain ASCII.
void CheckUtf8(std::string_view bytes) {
    const std::optional<std::string_view> text = MisreadUtf8Text(bytes);
    if (!text) return;
    Require(text->data() + text->size() == bytes.data() + bytes.size());
    const bool marked = text->size() + 3 == bytes.size();
    Require(marked || (text->size() == bytes.size() &&
                       std::any_of(bytes.begin(), bytes.end(), [](char c) { return (c & 0x80) != 0; })));
}

// A key as the program stores one: its process is an executable, whose file name holds neither a control
// character nor a double quote and ends in none of a blank, a dot or a quote ("chat.exe"), and the whole
// value fits the profile functions' buffer with the quotes a leading blank gets.
bool StorableKey(const WindowKey& key) {
    const std::wstring_view name = key.processName;
    return std::none_of(name.begin(), name.end(), [](wchar_t c) { return c < 0x20 || c == L'"'; }) &&
           (name.empty() || std::wstring_view(L" .'").find(name.back()) == std::wstring_view::npos) &&
           StoredFormOfKey(key).size() + 2 < kProfileValueUnits;
}

// Any text reads into settings that keep their invariants; what the program writes reads back as it was.
void CheckText(const std::vector<std::wstring>& fields) {
    std::wstring text;
    for (const std::wstring& field : fields)
        text += field + L"\r\n";
    AppSettings loaded = ReadSettings(ProfileReaderOfText(text, kSettingsSection));
    CheckSettings(loaded);
    std::erase_if(loaded.hideList, [](const WindowKey& key) { return !StorableKey(key); });
    if (!StorableKey(loaded.focusTarget)) {
        loaded.focusTarget = {};
        loaded.hasFocusTarget = false;
    }
    Require(
        SameSettings(ReadSettings(ProfileReaderOfText(SettingsFileText(loaded), kSettingsSection)), loaded));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::wstring> fields = FieldsOf(data, size, kAlphabet);
    CheckStoredForm(fields[0], fields.size() > 1 ? fields[1] : std::wstring());
    CheckClamps(fields[0]);
    CheckLoadAndSave(fields);
    CheckUtf8(std::string_view(reinterpret_cast<const char*>(data), size));
    CheckText(fields);
    return 0;
}
