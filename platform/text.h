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

namespace platform {

// The UTF-8 character at text[at]: its length in bytes (1 to 4) with its code point in cp, or 0
// when the bytes there are no well-formed UTF-8 (a stray or missing continuation byte, an
// overlong form, a surrogate, a value past U+10FFFF).
std::size_t DecodeUtf8(const std::string& text, std::size_t at, char32_t& cp);

// The Windows-1252 byte that stands for the code point cp and gives it back, if there is one.
bool ExactAnsiOf(char32_t cp, char& ansi);

// UTF-8 text as Windows-1252 with no character changed: false when a character has no place in
// the code page or the bytes are not UTF-8; then badAt is the offset of the first such byte.
bool AnsiFromUtf8Exact(const std::string& utf8, std::string& ansi, std::size_t& badAt);

}  // namespace platform
