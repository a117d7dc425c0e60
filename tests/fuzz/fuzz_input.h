// Shared by the fuzz targets: turning the fuzzer's bytes into UTF-16 text, and failing loudly.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

// A broken invariant is a crash, so the fuzzer keeps the input that shows it.
inline void Require(bool condition) {
    if (!condition) std::abort();
}

inline constexpr std::uint8_t kFieldEnd = 0xFE;
inline constexpr std::uint8_t kAnyUnit = 0xFF;

// Bytes below alphabet.size() stand for the characters the parser under test reacts to, so short inputs reach
// them; kAnyUnit takes the next two bytes as any UTF-16 code unit (surrogates included); kFieldEnd starts the
// next field; every other byte is that Latin-1 character.
inline std::vector<std::wstring> FieldsOf(const std::uint8_t* data, std::size_t size,
                                          std::wstring_view alphabet) {
    std::vector<std::wstring> fields(1);
    for (std::size_t i = 0; i < size; ++i) {
        const std::uint8_t byte = data[i];
        if (byte == kFieldEnd) {
            fields.emplace_back();
        } else if (byte == kAnyUnit) {
            if (i + 2 >= size) break;
            fields.back().push_back(static_cast<wchar_t>(data[i + 1] | (data[i + 2] << 8)));
            i += 2;
        } else if (byte < alphabet.size()) {
            fields.back().push_back(alphabet[byte]);
        } else {
            fields.back().push_back(static_cast<wchar_t>(byte));
        }
    }
    return fields;
}
