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

namespace platform {

constexpr std::uint16_t faReadOnly = 0x01;
constexpr std::uint16_t faHidden = 0x02;
constexpr std::uint16_t faSysFile = 0x04;
constexpr std::uint16_t faVolumeID = 0x08;
constexpr std::uint16_t faDirectory = 0x10;
constexpr std::uint16_t faArchive = 0x20;
constexpr std::uint16_t faSymLink = 0x400;  // a directory reached through a link (reparse point)
constexpr std::uint16_t faAnyFile = 0x3F;

// Attributes of a file or directory, or -1 when it does not exist.
std::int32_t FileGetAttr(const std::string& path);
// Sets the attributes; false when the system refuses.
bool FileSetAttr(const std::string& path, std::uint16_t attr);
// Last-write time of a file as an MS-DOS date/time, or -1 when it cannot be obtained. Times
// before 1980 read as 1 January 1980, 00:00.
std::int32_t FileAge(const std::string& path);

struct FoundFile {
  std::string Name;  // the name alone, Windows-1252
  std::uint16_t Attr = 0;
  std::int32_t Time = 0;  // MS-DOS date/time
  std::int64_t Size = 0;
};

// The entries of one directory whose names match the last component of pattern, with Windows
// find-first/find-next rules: '*' and '?' wildcards, letters compared without regard to case,
// "*.*" matching every name. Files are admitted as FindFirst does: those with the hidden,
// system, directory or volume bits only when attrMask holds that bit. "." and ".." are never
// returned. The order is the file system's.
std::vector<FoundFile> FindFiles(const std::string& pattern, std::uint16_t attrMask);

}  // namespace platform
