// Windows-1252 byte strings: case folding where only ASCII letters fold, as Windows compares
// file names in wildcard masks and paths, and recoding to and from UTF-8.
#pragma once

#include <string>

namespace platform {

inline char UpperAscii(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string UpperAscii(std::string text);

// Upper case as Windows compares file and registry names: the ASCII letters and the accented
// small letters of Windows-1252 (0xE0 to 0xFE but the division sign) fold onto their capitals.
inline char UpperName(char c) {
  auto u = static_cast<unsigned char>(c);
  return (u >= 'a' && u <= 'z') || (u >= 0xE0 && u <= 0xFE && u != 0xF7)
             ? static_cast<char>(u - 0x20)
             : c;
}

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
