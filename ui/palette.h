// The colours the program paints with itself. Pure: the Win32 shell reads the system's colours and whether
// high contrast is on.
#pragma once
#include <cstdint>

// Colours as the system's COLORREF holds them: 0x00BBGGRR.
struct SystemColors {
    std::uint32_t window = 0;
    std::uint32_t windowText = 0;
    std::uint32_t grayText = 0;
};

struct Palette {
    std::uint32_t background = 0;
    std::uint32_t text = 0;
    // The hints under and beside the controls.
    std::uint32_t hint = 0;
    bool operator==(const Palette&) const = default;
};

// The window's own white, near-black and grey; under high contrast, the system's colours of the user's theme.
Palette ChoosePalette(bool highContrast, const SystemColors& system);
