// Where the assembler put each payload file: [begin, end).
#pragma once

#include <cstdint>

extern "C" {
extern const uint8_t installer_sonavert_begin[], installer_sonavert_end[];
extern const uint8_t installer_tonekit_begin[], installer_tonekit_end[];
extern const uint8_t installer_lame_begin[], installer_lame_end[];
extern const uint8_t installer_wavshift_begin[], installer_wavshift_end[];
}
