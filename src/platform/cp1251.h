// Windows-1251 case folding, shared by the POSIX stand-in (which has no code
// page of its own) and the tests that check the Win32 folding against it.
#pragma once

#include <string>

namespace quillon::platform {

// The small letter for a Windows-1251 byte: ASCII A-Z and every Cyrillic
// capital (including Ё and the letters at 0x80-0xBF); other bytes unchanged.
unsigned char LowerCp1251(unsigned char byte);

void LowerCp1251(std::string& text);

}  // namespace quillon::platform
