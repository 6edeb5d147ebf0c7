// Windows-1252 byte strings: case folding where only ASCII letters fold, as Windows compares
// file names in wildcard masks and paths, and recoding to and from UTF-8.
#pragma once

#include <string>

namespace platform {

inline char UpperAscii(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string UpperAscii(std::string text);

// The first 255 bytes of text: names, paths and passwords the system keeps are strings of a
// length byte and at most 255 characters.
std::string ShortString(std::string text);

// Whether text begins with prefix, ASCII letters compared without regard to case.
bool StartsWithNoCase(const std::string& text, const std::string& prefix);

// Windows-1252 text as UTF-8, and the reverse; one code point as Windows-1252 ('_' when the
// code page cannot hold it). A byte that is not UTF-8 is kept as it is.
std::string Utf8FromAnsi(const std::string& ansi);
std::string AnsiFromUtf8(const std::string& utf8);
char AnsiFromCodePoint(char32_t c);

}  // namespace platform
