#include "pack/format.h"

#include <bit>
#include <chrono>
#include <cstring>

#include "platform/clock.h"
#include "platform/little_endian.h"

namespace pck_format {

std::uint8_t FindSignature(const Signature& signature) {
  if (std::memcmp(signature.data(), kSignatureV1, 5) == 0) return 1;
  if (std::memcmp(signature.data(), kSignatureV2, 5) == 0) return 2;
  return 0;
}

Signature SignatureOf(std::uint8_t version) {
  Signature s{};
  std::memcpy(s.data(), version == 1 ? kSignatureV1 : kSignatureV2, 5);
  return s;
}

std::array<std::uint8_t, kVolumeHeaderSize> VolumeHeader::Encode() const {
  std::array<std::uint8_t, kVolumeHeaderSize> out{};
  std::memcpy(out.data(), Sig.data(), 5);
  platform::StoreLE(out.data() + 5, std::bit_cast<std::uint64_t>(Stamp));
  platform::StoreLE(out.data() + 13, Volume);
  return out;
}

VolumeHeader VolumeHeader::Decode(const std::uint8_t* bytes) {
  VolumeHeader h;
  std::memcpy(h.Sig.data(), bytes, 5);
  h.Stamp = std::bit_cast<double>(platform::LoadLE<std::uint64_t>(bytes + 5));
  h.Volume = platform::LoadLE<std::uint16_t>(bytes + 13);
  return h;
}

void PutString(std::vector<std::uint8_t>& out, const std::string& s) {
  std::size_t n = s.size() < kMaxString ? s.size() : kMaxString;
  out.push_back(static_cast<std::uint8_t>(n));
  out.insert(out.end(), s.begin(), s.begin() + static_cast<std::ptrdiff_t>(n));
}

double OleDateNow() { return OleDateOf(platform::LocalNow()); }

double OleDateOf(const platform::DateTime& time) {
  using namespace std::chrono;
  sys_days day = year{time.Year} / month{static_cast<unsigned>(time.Month)} /
                 std::chrono::day{static_cast<unsigned>(time.Day)};
  sys_days epoch = year{1899} / December / 30;
  double ms = ((time.Hour * 60.0 + time.Minute) * 60.0 + time.Second) * 1000.0 + time.Millisecond;
  return static_cast<double>((day - epoch).count()) + ms / 86400000.0;
}

namespace {

constexpr std::array<std::uint32_t, 256> MakeCrcTable() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t n = 0; n < 256; ++n) {
    std::uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  return table;
}

constexpr std::array<std::uint32_t, 256> kCrcTable = MakeCrcTable();

}  // namespace

std::uint32_t Crc32(std::uint32_t crc, const void* data, std::size_t size) {
  const auto* p = static_cast<const std::uint8_t*>(data);
  crc = ~crc;
  for (std::size_t i = 0; i < size; ++i) crc = kCrcTable[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

}  // namespace pck_format

void TEntry::Clear() {
  Size = 0;
  Attr = 0;
  Time = 0;
  FileName.clear();
}

TEntry TEntry::Decode(const std::uint8_t* fixed) {
  TEntry entry;
  entry.Size = static_cast<std::int32_t>(platform::LoadLE<std::uint32_t>(fixed));
  entry.Attr = platform::LoadLE<std::uint16_t>(fixed + 4);
  entry.Time = static_cast<std::int32_t>(platform::LoadLE<std::uint32_t>(fixed + 6));
  entry.FileName.assign(fixed[10], '\0');
  return entry;
}

std::vector<std::uint8_t> TEntry::Encode() const {
  std::vector<std::uint8_t> out;
  out.reserve(RecordSize());
  platform::AppendLE<std::uint32_t>(out, static_cast<std::uint32_t>(Size));
  platform::AppendLE<std::uint16_t>(out, Attr);
  platform::AppendLE<std::uint32_t>(out, static_cast<std::uint32_t>(Time));
  pck_format::PutString(out, FileName);
  return out;
}

std::size_t TEntry::RecordSize() const {
  return pck_format::kEntryFixedSize +
         (FileName.size() < pck_format::kMaxString ? FileName.size() : pck_format::kMaxString);
}
