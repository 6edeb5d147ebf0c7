// TChecksums: the optional block of CRC-32s after the last entry of a version-2 archive
// (layout in pack/format.h).
//
// A writer records the checksum of each entry's stored bytes in archive order and appends
// Block(). A reader records the checksum of each entry whose data it copied, reads the block
// and asks Verify which of those entries differ. Entries whose data was skipped are not
// checked: their bytes were never read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class TChecksums {
 public:
  void Clear();

  // The size of the block of an archive of count entries.
  static std::size_t BlockSize(std::size_t count);

  // --- Writing --------------------------------------------------------------------------
  void AddStored(std::uint32_t crc) { Stored.push_back(crc); }
  // The block for the entries stored so far.
  std::vector<std::uint8_t> Block() const;

  // --- Reading --------------------------------------------------------------------------
  void AddRead(const std::string& fileName, std::uint32_t crc, std::int32_t index);
  bool AnyRead() const { return !Read.empty(); }

  enum class TVerdict {
    NotABlock,  // the bytes are no checksum block of count entries: none of the reader's business
    Damaged,    // a block whose own checksum is wrong
    Checked,    // Damaged() lists the entries whose data differs (none: all well)
  };
  // Compares the entries read with block (BlockSize(count) bytes read after the last entry).
  TVerdict Verify(const std::vector<std::uint8_t>& block, std::size_t count);
  // After Verify returned Checked: the names of the entries whose data differs, in order.
  const std::vector<std::string>& Damaged() const { return Bad; }

 private:
  struct TReadEntry {
    std::string FileName;
    std::uint32_t Crc;
    std::int32_t Index;
  };
  std::vector<std::uint32_t> Stored;
  std::vector<TReadEntry> Read;
  std::vector<std::string> Bad;
};
