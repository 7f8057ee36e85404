// Text options as the posed machine holds them: typed in the terminal's
// character set (LC_CTYPE, normally UTF-8) and converted to the posed code
// page; "<xNN>" gives the byte NN as it is (no Windows path holds '<').
#pragma once

#include <string>

#include "options.h"

namespace plan {

// Converts every text option naming something on the simulated machine
// (paths, titles, names, the launcher's command line) into the bytes of
// `o->codePage`; host paths stay as given. False, with an error naming the
// option and the character, when a text is not in the terminal's character
// set or holds a character the code page lacks.
bool ConvertTextOptions(Options* o, std::string* error);

// Code page bytes written as an option's text that ConvertTextOptions turns
// back into exactly these bytes, whatever the terminal's character set: every
// byte from 0x80, and '<', as <xNN>.
std::string RawOptionText(const std::string& bytes);

}  // namespace plan
