// A compiled message catalogue (the .mo format of gettext) read from memory: where the platform
// has no gettext of its own, the catalogue travels inside the program and is looked up here.
//
// Format (all numbers 32-bit, in the byte order the magic number 0x950412DE shows):
//   0 magic  4 revision (major 0 or 1)  8 N strings  12 offset of the originals' table
//   16 offset of the translations' table; each table N pairs of (length, offset) of a
//   NUL-terminated string. A plural entry's original and translation hold their forms
//   separated by NUL; the entry with the empty original is the catalogue's header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

namespace platform {

class MoCatalog {
 public:
  // Reads the catalogue in data; false (and an empty catalogue) when the bytes are not one or
  // a table or string lies outside them.
  bool Load(const std::uint8_t* data, std::size_t size);

  // The translation of original (the first form for a plural entry), or null. The header and
  // empty translations are never answers.
  const std::string* Find(const std::string& original) const;

  // Every original with its translation, for recoding them once.
  const std::map<std::string, std::string>& Entries() const { return entries_; }

 private:
  std::map<std::string, std::string> entries_;
};

}  // namespace platform
