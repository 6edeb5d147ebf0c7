// The terminal a person uses: text written so that it shows as written, and a secret typed
// without echo.
#pragma once

#include <cstdio>
#include <string>

namespace platform {

// Writes text, in the host's output character set (on Windows the ANSI code page), to stream.
// A Windows console is given the characters themselves, so accented letters show as they are
// whatever the console's own code page; anything else (a file, a pipe, a terminal elsewhere)
// receives the bytes unchanged.
void WriteText(std::FILE* stream, const std::string& text);

// When standard input is a terminal: shows prompt on standard error, reads one line from the
// terminal with its echo off, puts the echo back and returns the line as UTF-8 without its end.
// False when standard input is no terminal, or nothing could be read.
bool ReadHiddenLine(const std::string& prompt, std::string& line);

// Puts the terminal's echo back if ReadHiddenLine has it off: for the handler of a signal that
// ends the program while a secret is being typed. Async-signal-safe.
void RestoreEcho();

}  // namespace platform
