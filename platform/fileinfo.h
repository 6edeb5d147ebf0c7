// File attributes, last-write times and wildcard directory search.
//
// Attributes use the Windows bits. Elsewhere only what the file system has is reported: the
// read-only bit from the owner's write permission and the directory bit; hidden, system and
// archive are never set there, and setting them does nothing.
//
// Times are MS-DOS date/time values in local time: the DOS date in the high 16 bits
// (day 0-4, month 5-8, years since 1980 9-15) and the DOS time in the low 16 bits (seconds / 2
// 0-4, minutes 5-10, hours 11-15).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/clock.h"

namespace platform {

// The MS-DOS date/time of a local date and time of the years 1980 to 2107 (the seconds halved,
// the milliseconds dropped), and the date and time one holds (Millisecond 0).
constexpr std::int32_t PackDosTime(const DateTime& t) {
  return static_cast<std::int32_t>(
      static_cast<std::uint32_t>(t.Year - 1980) << 25 | static_cast<std::uint32_t>(t.Month) << 21 |
      static_cast<std::uint32_t>(t.Day) << 16 | static_cast<std::uint32_t>(t.Hour) << 11 |
      static_cast<std::uint32_t>(t.Minute) << 5 | static_cast<std::uint32_t>(t.Second) / 2);
}
constexpr DateTime UnpackDosTime(std::int32_t dosTime) {
  const auto v = static_cast<std::uint32_t>(dosTime);
  return DateTime{static_cast<int>(v >> 25) + 1980,
                  static_cast<int>(v >> 21 & 15),
                  static_cast<int>(v >> 16 & 31),
                  static_cast<int>(v >> 11 & 31),
                  static_cast<int>(v >> 5 & 63),
                  static_cast<int>(v & 31) * 2,
                  0};
}

constexpr std::uint16_t faReadOnly = 0x01;
constexpr std::uint16_t faHidden = 0x02;
constexpr std::uint16_t faSysFile = 0x04;
constexpr std::uint16_t faVolumeID = 0x08;
constexpr std::uint16_t faDirectory = 0x10;
constexpr std::uint16_t faArchive = 0x20;
constexpr std::uint16_t faSymLink = 0x400;  // a directory reached through a link (reparse point)
// What a search admits: every file, hidden and system ones too (0x27), and with them the
// directories (0x37).
constexpr std::uint16_t faFiles = faReadOnly | faHidden | faSysFile | faArchive;
constexpr std::uint16_t faFilesAndDirectories = faFiles | faDirectory;
// Not a file or directory: a pipe, a socket, a device, a link to nothing (never on Windows).
// Found only when the mask asks for it.
constexpr std::uint16_t faOther = 0x800;

// Attributes of a file or directory, or -1 when it does not exist.
std::int32_t FileGetAttr(const std::string& path);
// Sets the attributes; false when the system refuses.
bool FileSetAttr(const std::string& path, std::uint16_t attr);
// Last-write time of a file as an MS-DOS date/time, or -1 when it cannot be obtained (no valid
// date has every bit set; from 2044 on a valid one has the top bit). Times before 1980 read as
// 1 January 1980, 00:00, times after 2107 as 31 December 2107, 23:59:58.
std::int32_t FileAge(const std::string& path);

struct FoundFile {
  // The name alone, Windows-1252; when the code page cannot hold it, a stand-in (see Exact).
  std::string Name;
  std::uint16_t Attr = 0;
  std::int32_t Time = 0;  // MS-DOS date/time, as FileAge reads it
  std::int64_t Size = 0;
  // Whether Name is the name itself. Elsewhere than on Windows a stand-in still finds the file
  // (see WindowsPath); on Windows it holds '?' for each character the code page lacks.
  bool Exact = true;
  // -1 when the file's time lies before 1980, 1 when after 2107: Time then holds the nearest
  // one an MS-DOS time can.
  int Clamped = 0;
  // With faOther: what it is ("a named pipe", "a dangling link", ...).
  const char* Kind = nullptr;
};

// The entries of one directory whose names match the last component of pattern, with Windows
// find-first/find-next rules: '*' and '?' wildcards, letters compared without regard to case,
// "*.*" matching every name. Files are admitted as FindFirst does: those with the hidden,
// system, directory or volume bits only when attrMask holds that bit. "." and ".." are never
// returned. The order is the file system's.
std::vector<FoundFile> FindFiles(const std::string& pattern, std::uint16_t attrMask);

}  // namespace platform
