// UTF-8 text in the ANSI code page, for the Windows implementations that take UTF-8 (the command
// line, the translations).
#pragma once

#include <string>

namespace platform {

// Every character kept, none turned into a look-alike; false when one has no place in the code
// page, or the text is no UTF-8.
bool AnsiCodePageOf(const std::string& utf8, std::string& ansi);

}  // namespace platform
