// The LZRW1-KH block codec on arbitrary bytes: decoding them as a block must stay inside both
// buffers (any damage is an ELzrw1KHCompressor), and encoding them must decode to the same bytes.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "codecs/lzrw1kh.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static TLZRW1KH codec;
  const std::size_t n = size < TLZRW1KH::kMaxEncodedSize ? size : TLZRW1KH::kMaxEncodedSize;
  // Exactly sized copies, so ASan sees any access past their ends.
  const std::vector<std::uint8_t> block(data, data + n);
  std::vector<std::uint8_t> out(TLZRW1KH::kMaxBlockSize);
  try {
    codec.DecompressBlock(block.data(), out.data(), static_cast<std::uint16_t>(n),
                          static_cast<std::uint16_t>(out.size()));
  } catch (const ELzrw1KHCompressor&) {
  }

  const std::size_t m = size < TLZRW1KH::kMaxBlockSize ? size : TLZRW1KH::kMaxBlockSize;
  const std::vector<std::uint8_t> source(data, data + m);
  std::vector<std::uint8_t> encoded(m + 1);
  const std::uint16_t e =
      codec.CompressBlock(source.data(), encoded.data(), static_cast<std::uint16_t>(m));
  if (e > m + 1) std::abort();
  const std::uint16_t d =
      codec.DecompressBlock(encoded.data(), out.data(), e, static_cast<std::uint16_t>(out.size()));
  if (d != m || (m && std::memcmp(out.data(), source.data(), m) != 0)) std::abort();
  return 0;
}
