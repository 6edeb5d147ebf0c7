#include "platform/text.h"

namespace platform {
namespace {

// Windows-1252 code points 0x80..0x9F; the rest of the upper half equals Latin-1. The five
// bytes the code page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the C1 control
// points of the same value, as Windows maps them: every byte then has a character of its own,
// so two names never meet in one and each comes back as it was.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

}  // namespace

char AnsiFromCodePoint(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
  for (int i = 0; i < 32; ++i)
    if (kCp1252High[i] == c) return static_cast<char>(0x80 + i);
  return '_';
}

std::string Utf8FromAnsi(const std::string& ansi) {
  std::string out;
  out.reserve(ansi.size());
  for (unsigned char c : ansi) {
    if (c < 0x80)
      out += static_cast<char>(c);
    else if (c < 0xA0)
      AppendUtf8(out, kCp1252High[c - 0x80]);
    else
      AppendUtf8(out, c);
  }
  return out;
}

std::string AnsiFromUtf8(const std::string& utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    unsigned char c = utf8[i];
    char32_t cp;
    std::size_t len;
    if (c < 0x80) {
      cp = c;
      len = 1;
    } else if ((c & 0xE0) == 0xC0) {
      cp = c & 0x1F;
      len = 2;
    } else if ((c & 0xF0) == 0xE0) {
      cp = c & 0x0F;
      len = 3;
    } else if ((c & 0xF8) == 0xF0) {
      cp = c & 0x07;
      len = 4;
    } else {  // a stray byte that is not UTF-8: keep it as it is
      out += static_cast<char>(c);
      ++i;
      continue;
    }
    if (i + len > utf8.size()) len = utf8.size() - i;
    for (std::size_t k = 1; k < len; ++k) cp = (cp << 6) | (utf8[i + k] & 0x3F);
    out += AnsiFromCodePoint(cp);
    i += len;
  }
  return out;
}

std::string UpperAscii(std::string text) {
  for (char& c : text) c = UpperAscii(c);
  return text;
}

std::string ShortString(std::string text) {
  if (text.size() > 255) text.resize(255);
  return text;
}

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i)
    if (UpperAscii(text[i]) != UpperAscii(prefix[i])) return false;
  return true;
}

}  // namespace platform

namespace platform {

std::size_t DecodeUtf8(const std::string& text, std::size_t at, char32_t& cp) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  std::size_t len;
  char32_t least;  // the smallest code point this length may carry: shorter forms are overlong
  if (lead < 0x80) {
    cp = lead;
    return 1;
  } else if ((lead & 0xE0) == 0xC0) {
    cp = lead & 0x1F, len = 2, least = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    cp = lead & 0x0F, len = 3, least = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    cp = lead & 0x07, len = 4, least = 0x10000;
  } else {
    return 0;
  }
  if (at + len > text.size()) return 0;
  for (std::size_t k = 1; k < len; ++k) {
    if ((byte(at + k) & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (byte(at + k) & 0x3F);
  }
  if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return len;
}

bool ExactAnsiOf(char32_t cp, char& ansi) {
  ansi = AnsiFromCodePoint(cp);
  // The way back decides: it is what a reader of the archive will see.
  const std::string back = Utf8FromAnsi(std::string(1, ansi));
  char32_t again = 0;
  return DecodeUtf8(back, 0, again) == back.size() && again == cp;
}

bool AnsiFromUtf8Exact(const std::string& utf8, std::string& ansi, std::size_t& badAt) {
  ansi.clear();
  for (std::size_t i = 0; i < utf8.size();) {
    char32_t cp = 0;
    char c = 0;
    const std::size_t len = DecodeUtf8(utf8, i, cp);
    if (len == 0 || !ExactAnsiOf(cp, c)) {
      badAt = i;
      return false;
    }
    ansi += c;
    i += len;
  }
  return true;
}

}  // namespace platform
