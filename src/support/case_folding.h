// Case folding for the search: every text the library handles is
// Windows-1251, so values and patterns fold by that code page on every
// machine, whatever code page the machine itself runs in.
#pragma once

#include <string>

namespace quillon::support {

// The small letter for a Windows-1251 byte: ASCII A-Z and every Cyrillic
// capital (including Ё and the letters at 0x80-0xBF); other bytes unchanged.
unsigned char LowerCp1251(unsigned char byte);

void LowerCp1251(std::string& text);

}  // namespace quillon::support
