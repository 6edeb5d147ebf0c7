#include "pack/checksums.h"

#include <cstring>

#include "pack/format.h"
#include "platform/little_endian.h"

using namespace pck_format;

void TChecksums::Clear() {
  Form = TForm::None;
  Head = 0;
  Stored.clear();
  Expected.clear();
  Read.clear();
}

std::size_t TChecksums::BlockSize(std::size_t count) { return kChecksumFixedSize + 4 * count; }

std::vector<std::uint8_t> TChecksums::Block() const {
  std::vector<std::uint8_t> block;
  for (std::uint32_t crc : Stored) platform::AppendLE<std::uint32_t>(block, crc);
  platform::AppendLE<std::uint32_t>(block, Head);
  platform::AppendLE<std::uint32_t>(block, static_cast<std::uint32_t>(Stored.size()));
  block.insert(block.end(), kChecksumMagic, kChecksumMagic + 4);
  platform::AppendLE<std::uint32_t>(block, Crc32(0, block.data(), block.size()));
  return block;
}

std::size_t TChecksums::SizeFromEnd(const std::uint8_t* last12) {
  if (std::memcmp(last12 + 4, kChecksumMagic, 4) != 0) return 0;
  std::uint32_t count = platform::LoadLE<std::uint32_t>(last12);
  if (count > 0x7FFFFFFFu / 4 - kChecksumFixedSize) return 0;
  return BlockSize(count);
}

TChecksums::TVerdict TChecksums::Load(const std::vector<std::uint8_t>& block, std::size_t count) {
  const std::size_t size = block.size();
  const std::uint8_t* b = block.data();
  if (size >= kChecksumFixedSize && SizeFromEnd(b + size - 12) == size) {
    if (Crc32(0, b, size - 4) != platform::LoadLE<std::uint32_t>(b + size - 4))
      return TVerdict::Damaged;
    Expected.clear();
    for (std::size_t at = 0; at + kChecksumFixedSize < size; at += 4)
      Expected.push_back(platform::LoadLE<std::uint32_t>(b + at));
    Head = platform::LoadLE<std::uint32_t>(b + size - 16);
    Form = TForm::Full;
    return TVerdict::Loaded;
  }
  // The earlier form: "PCKS", count, one checksum of stored bytes per entry, its own checksum.
  const std::size_t old = kOldChecksumFixedSize + 4 * count;
  if (size < old || std::memcmp(b, kOldChecksumMagic, 4) != 0 ||
      platform::LoadLE<std::uint32_t>(b + 4) != count)
    return TVerdict::NotABlock;
  if (Crc32(0, b, old - 4) != platform::LoadLE<std::uint32_t>(b + old - 4))
    return TVerdict::Damaged;
  Expected.clear();
  for (std::size_t i = 0; i < count; ++i)
    Expected.push_back(platform::LoadLE<std::uint32_t>(b + 8 + 4 * i));
  Form = TForm::DataOnly;
  return TVerdict::Loaded;
}

bool TChecksums::EntryMatches(std::int32_t index, std::uint32_t dataCrc,
                              std::uint32_t fullCrc) const {
  if (index < 0 || static_cast<std::size_t>(index) >= Expected.size()) return false;
  return Expected[static_cast<std::size_t>(index)] == (Form == TForm::Full ? fullCrc : dataCrc);
}

void TChecksums::AddRead(const std::string& fileName, std::uint32_t dataCrc, std::uint32_t fullCrc,
                         std::int32_t index) {
  Read.push_back(TReadEntry{fileName, dataCrc, fullCrc, index});
}

std::vector<std::string> TChecksums::Damaged() const {
  std::vector<std::string> bad;
  for (const TReadEntry& entry : Read)
    if (!EntryMatches(entry.Index, entry.DataCrc, entry.FullCrc)) bad.push_back(entry.FileName);
  return bad;
}
