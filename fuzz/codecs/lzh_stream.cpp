// The LZH codec on arbitrary bytes. After a 4-byte count, the rest is decoded as a stream: it must
// end (a damaged stream stops soon after its last byte) and stay inside its tables. Then the same
// bytes are encoded and must decode to themselves.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "codecs/lzh.h"

namespace {

// Keeps nothing: decoding garbage can legitimately produce many bytes per input bit.
class CountingSink final : public TLzhSink {
 public:
  CountingSink() {
    next = buffer_;
    end = buffer_ + sizeof buffer_;
  }
  void Drain() override {
    total += static_cast<std::size_t>(next - buffer_);
    next = buffer_;
    end = buffer_ + sizeof buffer_;
  }
  std::size_t total = 0;

 private:
  std::uint8_t buffer_[4096];
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Tlzh lzh;
  if (size >= 4) {
    std::int32_t count;
    std::memcpy(&count, data, 4);
    const std::vector<std::uint8_t> stream(data + 4, data + size);
    TLzhBufferSource source(stream.data(), stream.size());
    CountingSink sink;
    const std::int64_t written = lzh.Decode(count, source, sink);
    sink.Drain();
    if (written != static_cast<std::int64_t>(sink.total)) std::abort();
    // The last match may overshoot the count, by 59 bytes at most; a negative count is nothing.
    if (written > std::max<std::int64_t>(count, 0) + 59) std::abort();
  }

  const std::vector<std::uint8_t> input(data, data + size);
  TLzhBufferSource in(input.data(), input.size());
  std::vector<std::uint8_t> encoded;
  TLzhVectorSink sink(encoded);
  if (lzh.Encode(in, sink) != static_cast<std::int64_t>(size)) std::abort();
  sink.Finish();
  TLzhBufferSource back(encoded.data(), encoded.size());
  std::vector<std::uint8_t> decoded;
  TLzhVectorSink out(decoded);
  if (lzh.Decode(static_cast<std::int64_t>(size), back, out) != static_cast<std::int64_t>(size))
    std::abort();
  out.Finish();
  if (decoded != input) std::abort();
  return 0;
}
