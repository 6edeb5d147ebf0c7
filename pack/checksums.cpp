#include "pack/checksums.h"

#include <cstring>

#include "pack/format.h"

using namespace pck_format;

void TChecksums::Clear() {
  Stored.clear();
  Read.clear();
  Bad.clear();
}

std::size_t TChecksums::BlockSize(std::size_t count) { return kChecksumFixedSize + 4 * count; }

std::vector<std::uint8_t> TChecksums::Block() const {
  std::vector<std::uint8_t> block(kChecksumMagic, kChecksumMagic + 4);
  PutU32(block, static_cast<std::uint32_t>(Stored.size()));
  for (std::uint32_t crc : Stored) PutU32(block, crc);
  PutU32(block, Crc32(0, block.data(), block.size()));
  return block;
}

void TChecksums::AddRead(const std::string& fileName, std::uint32_t crc, std::int32_t index) {
  Read.push_back(TReadEntry{fileName, crc, index});
}

TChecksums::TVerdict TChecksums::Verify(const std::vector<std::uint8_t>& block,
                                        std::size_t count) {
  Bad.clear();
  if (block.size() != BlockSize(count) || std::memcmp(block.data(), kChecksumMagic, 4) != 0 ||
      GetU32(block.data() + 4) != count)
    return TVerdict::NotABlock;
  if (Crc32(0, block.data(), block.size() - 4) != GetU32(block.data() + block.size() - 4))
    return TVerdict::Damaged;
  for (const TReadEntry& entry : Read) {
    std::size_t at = 8 + 4 * static_cast<std::size_t>(entry.Index);
    if (at + 4 > block.size() - 4 || GetU32(block.data() + at) != entry.Crc)
      Bad.push_back(entry.FileName);
  }
  return TVerdict::Checked;
}
