#include "pack/format.h"

#include <bit>
#include <chrono>
#include <cstring>

#include "platform/clock.h"

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
  std::uint64_t bits = std::bit_cast<std::uint64_t>(Stamp);
  for (int i = 0; i < 8; ++i) out[5 + i] = static_cast<std::uint8_t>(bits >> (8 * i));
  out[13] = static_cast<std::uint8_t>(Volume);
  out[14] = static_cast<std::uint8_t>(Volume >> 8);
  return out;
}

VolumeHeader VolumeHeader::Decode(const std::uint8_t* bytes) {
  VolumeHeader h;
  std::memcpy(h.Sig.data(), bytes, 5);
  std::uint64_t bits = 0;
  for (int i = 0; i < 8; ++i) bits |= static_cast<std::uint64_t>(bytes[5 + i]) << (8 * i);
  h.Stamp = std::bit_cast<double>(bits);
  h.Volume = GetU16(bytes + 13);
  return h;
}

void PutU16(std::vector<std::uint8_t>& out, std::uint16_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void PutString(std::vector<std::uint8_t>& out, const std::string& s) {
  std::size_t n = s.size() < kMaxString ? s.size() : kMaxString;
  out.push_back(static_cast<std::uint8_t>(n));
  out.insert(out.end(), s.begin(), s.begin() + static_cast<std::ptrdiff_t>(n));
}

std::uint16_t GetU16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

std::uint32_t GetU32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
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
  entry.Size = static_cast<std::int32_t>(pck_format::GetU32(fixed));
  entry.Attr = pck_format::GetU16(fixed + 4);
  entry.Time = static_cast<std::int32_t>(pck_format::GetU32(fixed + 6));
  entry.FileName.assign(fixed[10], '\0');
  return entry;
}

std::vector<std::uint8_t> TEntry::Encode() const {
  std::vector<std::uint8_t> out;
  out.reserve(RecordSize());
  pck_format::PutU32(out, static_cast<std::uint32_t>(Size));
  pck_format::PutU16(out, Attr);
  pck_format::PutU32(out, static_cast<std::uint32_t>(Time));
  pck_format::PutString(out, FileName);
  return out;
}

std::size_t TEntry::RecordSize() const {
  return pck_format::kEntryFixedSize +
         (FileName.size() < pck_format::kMaxString ? FileName.size() : pck_format::kMaxString);
}
