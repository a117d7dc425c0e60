// A settings file the profile functions would misread: UTF-8, which Notepad writes without a byte-order mark
// and which they take for text in the ANSI code page ("微信" comes back as "å¾®ä¿¡"). Such a file is read
// here by their rules instead. Pure.
#pragma once
#include "settings/app_settings.h"

#include <optional>
#include <string>
#include <string_view>

// The file's text when it is UTF-8 that the profile functions would misread: valid UTF-8 behind a UTF-8
// byte-order mark, or without one when it is not plain ASCII (text in a legacy code page such as GBK is
// almost never valid UTF-8). The bytes without the mark; none for any other file.
std::optional<std::string_view> MisreadUtf8Text(std::string_view bytes);

// A file larger than this is left to the profile functions: no settings file of this program comes near it.
inline constexpr std::size_t kMaxUtf8SettingsBytes = std::size_t{4} << 20;

// The integer the profile functions read from a value: blanks, a sign and decimal digits, wrapping at 32
// bits.
int ProfileIntOf(std::wstring_view value);

// The values of `section` in an INI text, read as the profile functions read them: the first section of that
// name and the first key of each name count, names compare without regard to ASCII case, blanks around names
// and values go, a value wholly inside a pair of quotes loses them, and a string is cut to 1023 units.
ProfileReader ProfileReaderOfText(std::wstring_view text, std::wstring_view section);
