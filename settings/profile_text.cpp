#include "settings/profile_text.h"

#include <cstdint>
#include <map>
#include <memory>

namespace {

// The length of the UTF-8 sequence at `at`, or 0 when it is not a valid one (overlong forms, surrogates and
// code points above U+10FFFF included).
std::size_t Utf8SequenceAt(std::string_view bytes, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(bytes[i]); };
    const std::uint8_t lead = byte(at);
    if (lead < 0x80) return 1;
    std::size_t length = 0;
    std::uint8_t low = 0x80;
    std::uint8_t high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (at + length > bytes.size()) return 0;
    if (byte(at + 1) < low || byte(at + 1) > high) return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if (byte(at + i) < 0x80 || byte(at + i) > 0xBF) return 0;
    }
    return length;
}

// As the profile functions see blanks: white space, and the end-of-file mark of old text files.
bool IsBlank(wchar_t c) {
    return c == L' ' || (c >= L'\t' && c <= L'\r') || c == L'\x1A';
}

std::wstring_view Trimmed(std::wstring_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

wchar_t FoldedAscii(wchar_t c) {
    return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

std::wstring Folded(std::wstring_view name) {
    std::wstring folded(name);
    for (wchar_t& c : folded)
        c = FoldedAscii(c);
    return folded;
}

std::map<std::wstring, std::wstring> ValuesOfSection(std::wstring_view text, std::wstring_view section) {
    std::map<std::wstring, std::wstring> values;
    const std::wstring wanted = Folded(section);
    enum class Where { Before, Inside, After } where = Where::Before;
    while (!text.empty() && where != Where::After) {
        const std::size_t end = text.find(L'\n');
        const std::wstring_view line = Trimmed(text.substr(0, end));
        text.remove_prefix(end == std::wstring_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.front() == L'[') {
            const std::size_t close = line.rfind(L']');
            if (close == std::wstring_view::npos) continue;
            const bool named = Folded(Trimmed(line.substr(1, close - 1))) == wanted;
            if (where == Where::Inside)
                where = Where::After;
            else if (named)
                where = Where::Inside;
            continue;
        }
        const std::size_t equals = line.find(L'=');
        if (where != Where::Inside || equals == std::wstring_view::npos) continue;
        const std::wstring_view name = Trimmed(line.substr(0, equals));
        if (name.empty()) continue;
        values.emplace(Folded(name), std::wstring(Trimmed(line.substr(equals + 1))));
    }
    return values;
}

// What the profile functions hand back for a value: without the quotes around it, cut to their buffer.
std::wstring StringOf(std::wstring_view value) {
    if (value.size() >= 2 && (value.front() == L'"' || value.front() == L'\'') &&
        value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return std::wstring(value.substr(0, kProfileValueUnits - 1));
}

} // namespace

int ProfileIntOf(std::wstring_view value) {
    std::size_t i = 0;
    while (i < value.size() && (value[i] == L' ' || value[i] == L'\t'))
        ++i;
    bool negative = false;
    if (i < value.size() && (value[i] == L'-' || value[i] == L'+')) negative = value[i++] == L'-';
    std::uint32_t number = 0;
    for (; i < value.size() && value[i] >= L'0' && value[i] <= L'9'; ++i)
        number = number * 10u + static_cast<std::uint32_t>(value[i] - L'0');
    return static_cast<int>(negative ? 0u - number : number);
}

std::optional<std::string_view> MisreadUtf8Text(std::string_view bytes) {
    constexpr std::string_view kMark = "\xEF\xBB\xBF";
    const bool marked = bytes.substr(0, kMark.size()) == kMark;
    if (marked) bytes.remove_prefix(kMark.size());
    bool beyondAscii = false;
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t length = Utf8SequenceAt(bytes, at);
        if (length == 0) return std::nullopt;
        beyondAscii = beyondAscii || length > 1;
        at += length;
    }
    if (!marked && !beyondAscii) return std::nullopt;
    return bytes;
}

ProfileReader ProfileReaderOfText(std::wstring_view text, std::wstring_view section) {
    const auto values =
        std::make_shared<const std::map<std::wstring, std::wstring>>(ValuesOfSection(text, section));
    ProfileReader reader;
    reader.readInt = [values](std::wstring_view key, int defaultValue) {
        const auto found = values->find(Folded(key));
        return found == values->end() || found->second.empty() ? defaultValue
                                                               : ProfileIntOf(StringOf(found->second));
    };
    reader.readString = [values](std::wstring_view key) {
        const auto found = values->find(Folded(key));
        return found == values->end() ? std::wstring() : StringOf(found->second);
    };
    return reader;
}
