#include "ui/palette.h"

Palette ChoosePalette(bool highContrast, const SystemColors& system) {
    if (highContrast) return {system.window, system.windowText, system.grayText};
    return {0xFFFFFF, 0x202020, 0x606060};
}
