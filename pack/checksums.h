// TChecksums: the optional block of CRC-32s after the last entry of a version-2 archive
// (layout in pack/format.h).
//
// A writer records the checksum of the archive's head and of each entry (its record and its
// stored bytes) in archive order and appends Block(). A reader finds the block at the end of the
// archive before it reads any entry, when it can, so that each entry is checked as soon as its
// bytes are in and before anything is made of them; otherwise it records what it read and checks
// it against the block it meets after the last entry. Archives made before the block covered
// heads and records carry the earlier form ("PCKS", data only), which is read and checked as it
// was. Entries whose data was skipped are not checked: their bytes were never read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class TChecksums {
 public:
  void Clear();

  // The size of the block written for count entries.
  static std::size_t BlockSize(std::size_t count);

  // --- Writing --------------------------------------------------------------------------
  // The checksum of the volume header of volume 1 followed by the archive header.
  void SetHead(std::uint32_t crc) { Head = crc; }
  // The checksum of the next entry: its record, then its stored bytes.
  void AddStored(std::uint32_t crc) { Stored.push_back(crc); }
  // The block for the head and the entries stored so far.
  std::vector<std::uint8_t> Block() const;

  // --- Reading --------------------------------------------------------------------------
  enum class TVerdict {
    NotABlock,  // the bytes are no checksum block: none of the reader's business
    Damaged,    // a block whose own checksum is wrong
    Loaded,     // the block is the reader's from now on
  };
  // The present form, from the last 12 bytes of what may be a block: the size the whole block
  // then has, or 0 when they do not end one.
  static std::size_t SizeFromEnd(const std::uint8_t* last12);
  // Takes block (all of it) in the present form, or in the earlier one of count entries.
  TVerdict Load(const std::vector<std::uint8_t>& block, std::size_t count);
  bool Loaded() const { return Form != TForm::None; }
  // Whether the loaded block covers the head and the records (the present form).
  bool CoversHead() const { return Form == TForm::Full; }
  // The number of entries the loaded block was written for.
  std::size_t Count() const { return Expected.size(); }
  // Whether the head read (volume header of volume 1 and archive header) is the one written;
  // true when the block does not cover it.
  bool HeadMatches(std::uint32_t headCrc) const { return Form != TForm::Full || headCrc == Head; }
  // Whether entry index read as it was written: dataCrc over its stored bytes, fullCrc over its
  // record and then those bytes. False for an index beyond the block's entries.
  bool EntryMatches(std::int32_t index, std::uint32_t dataCrc, std::uint32_t fullCrc) const;

  // Entries read before the block was met, to be checked against it after the last entry.
  void AddRead(const std::string& fileName, std::uint32_t dataCrc, std::uint32_t fullCrc,
               std::int32_t index);
  bool AnyRead() const { return !Read.empty(); }
  // After Load: the names of the entries recorded by AddRead that differ, in order.
  std::vector<std::string> Damaged() const;

 private:
  enum class TForm { None, DataOnly, Full };
  struct TReadEntry {
    std::string FileName;
    std::uint32_t DataCrc, FullCrc;
    std::int32_t Index;
  };
  TForm Form = TForm::None;
  std::uint32_t Head = 0;
  std::vector<std::uint32_t> Stored;
  std::vector<std::uint32_t> Expected;
  std::vector<TReadEntry> Read;
};
