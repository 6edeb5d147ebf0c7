// The on-disk records of a .PCK archive. All integers little-endian; strings are a length byte
// (0..255) followed by that many Windows-1252 bytes, never terminated.
//
// An archive is a byte stream:
//   volume header of volume 1   15 bytes
//   archive header              version 1 or version 2 layout
//   entries                     each an entry record followed by its Size data bytes
//
// Volume header, at the start of every volume:
//    0  5  signature "PCK10" (version 1) or "PCK11" (version 2)
//    5  8  Stamp: creation time as an OLE Automation date (IEEE double), local time
//   13  2  volume number, 1 for the first
//
// Archive header version 1: uint16 RawSize, then RawSize opaque bytes. Entries run to the end
// of the volume file being read; there is no password and no header text.
//
// Archive header version 2: int32 FileCount, int32 Reserved, the password as a string whose
// bytes are each inverted (XOR 0xFF), uint16 line count, then that many strings of header text.
// Exactly FileCount entries follow.
//
// Entry record: int32 Size, uint16 Attr, int32 Time (MS-DOS date/time), string FileName (a
// Windows path relative to the extraction directory; a leading backslash is ignored).
//
// An archive spread over volumes is one stream cut into pieces; every volume file after the
// first holds its own volume header and then the next piece. A volume ends only inside an
// entry's data, so headers and records never straddle two volumes, and it does not end exactly
// at the end of an entry's data unless that entry is the last one. Volumes of one archive share
// the signature and the Stamp and are numbered 1, 2, ...
//
// Archives written with checksums carry, after the last entry of a version-2 archive and in
// the same volume, a block that readers of the stream ignore. It is read from its end, so a
// reader finds it at the end of the last volume file before reading any entry:
//    0     4n  CRC-32 of each entry: its record, then its stored data bytes, in archive order
//   4n     4   CRC-32 of the volume header of volume 1 followed by the archive header
//   4n+4   4   count n (FileCount)
//   4n+8   4   "PCKC"
//   4n+12  4   CRC-32 of the 4n + 12 bytes before it
// Archives of earlier writers carry this block instead, which readers still check:
//    0  4    "PCKS"
//    4  4    count n (FileCount)
//    8  4n   CRC-32 of each entry's stored data bytes, in archive order
//   8+4n 4   CRC-32 of the 8 + 4n bytes before it
// A reader of the earlier block meets "PCKS" nowhere in the present one and leaves it alone.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/clock.h"

namespace pck_format {

constexpr std::size_t kVolumeHeaderSize = 15;
constexpr std::size_t kEntryFixedSize = 11;
constexpr std::size_t kMaxString = 255;
constexpr std::size_t kMaxHeaderLines = 65535;
constexpr char kSignatureV1[] = "PCK10";
constexpr char kSignatureV2[] = "PCK11";
constexpr char kChecksumMagic[] = "PCKC";
constexpr std::size_t kChecksumFixedSize = 16;
constexpr char kOldChecksumMagic[] = "PCKS";
constexpr std::size_t kOldChecksumFixedSize = 12;

using Signature = std::array<char, 5>;

// 1 for "PCK10", 2 for "PCK11", 0 for anything else.
std::uint8_t FindSignature(const Signature& signature);
Signature SignatureOf(std::uint8_t version);

struct VolumeHeader {
  Signature Sig{};
  double Stamp = 0;
  std::uint16_t Volume = 0;

  std::array<std::uint8_t, kVolumeHeaderSize> Encode() const;
  static VolumeHeader Decode(const std::uint8_t* bytes);
};

// Little-endian fields in a byte buffer.
void PutU16(std::vector<std::uint8_t>& out, std::uint16_t v);
void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v);
void PutString(std::vector<std::uint8_t>& out, const std::string& s);  // at most 255 bytes
std::uint16_t GetU16(const std::uint8_t* p);
std::uint32_t GetU32(const std::uint8_t* p);

// Local date and time as an OLE Automation date: days since 30 December 1899 plus the fraction
// of the day.
double OleDateNow();
double OleDateOf(const platform::DateTime& time);

// Incremental CRC-32 (the reflected polynomial 0xEDB88320 of zip and PNG).
std::uint32_t Crc32(std::uint32_t crc, const void* data, std::size_t size);

}  // namespace pck_format

// One entry record in memory; the engine reuses one instance for every entry.
class TEntry {
 public:
  std::int32_t Size = 0;  // data bytes stored after the record
  std::uint16_t Attr = 0;
  std::int32_t Time = 0;  // MS-DOS date/time, local time
  std::string FileName;   // at most 255 bytes

  void Clear();
  // The record from its 11 fixed bytes; FileName gets the length they give, for the name's
  // bytes that follow them to be read into.
  static TEntry Decode(const std::uint8_t* fixed);
  // The record as written: 11 fixed bytes and the name (at most 255 bytes of it).
  std::vector<std::uint8_t> Encode() const;
  std::size_t RecordSize() const;
};
