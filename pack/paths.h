// Path, wildcard, drive and file-time helpers of the archive engine. Paths are Windows paths
// in Windows-1252 with backslashes; positions are 1-based where a function returns one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Name appended to Dir with one separating backslash: a backslash is added after a non-empty
// Dir that does not end with one (also when Name is empty), and one leading backslash of Name
// is dropped. ConcatPath("C:\A", "\B.TXT") is "C:\A\B.TXT"; ConcatPath("", "\B") is "B".
std::string ConcatPath(const std::string& Dir, const std::string& Name);

// 1-based position of the extension dot of the last path component of S, or S's length + 1
// when that component has no dot. ExtPos("A.B.C") is 4; ExtPos("C:\DIR.X\FILE") is 14.
std::int32_t ExtPos(const std::string& S);

// Text matches Pattern with '*' (any run of characters, also backslashes) and '?' (any one
// character); ASCII letters compare without regard to case, every other byte must be equal.
// A star followed by further pattern characters needs at least one character of Text: "A**"
// does not match "A", while "A*" and "*" match "A" and "" respectively.
bool MatchMask(const std::string& Pattern, const std::string& Text);

// Mask against a file name, base part and extension separately (split at ExtPos). A mask
// without a dot in its last component matches only names without an extension; one ending in
// ".*" matches names with or without one. The base part includes the directories.
bool MatchFileMask(const std::string& Mask, const std::string& Name);

// Whether Path matches any of Masks, each taken relative to Dir (joined with ConcatPath).
bool MatchesAnyMask(const std::string& Dir, const std::vector<std::string>& Masks,
                    const std::string& Path);

// Drive part of a path: "C:" of "C:\X", "\\SERVER\SHARE" of "\\SERVER\SHARE\X", else empty.
std::string ExtractFileDrive(const std::string& FileName);
// Everything up to and including the last backslash or colon ("" when there is none).
std::string ExtractFilePath(const std::string& FileName);
// Everything after the last backslash or colon.
std::string ExtractFileName(const std::string& FileName);

// Whether the drive holding FileName takes swappable media: a removable drive always, a CD-ROM
// drive when AllowCdRom.
bool IsRemovableDrive(const std::string& FileName, bool AllowCdRom);

// Gives an existing file its last-write time (MS-DOS date/time, local time) and then its
// attributes, so a read-only attribute does not stop the time from being set. A file that cannot
// be opened or closed raises EInOutError; a time or attribute the system refuses is ignored.
void SetFileDateAttr(const std::string& FileName, std::int32_t Time, std::uint16_t Attr);

// Clears the read-only attribute of an existing file, so it can be overwritten by a new copy.
// True when there was one to clear.
bool ClearReadOnly(const std::string& FileName);
