// LZH: the strong codec of the compressed-file container.
//
// LZSS over a 4096-byte sliding window (matches of 3..60 bytes, found with one binary search tree
// per first byte) with an adaptive Huffman code over 314 symbols: the 256 byte values and the 58
// match lengths. A match distance is sent as its high 6 bits in a fixed prefix code and its low 6
// bits plain. Bits are packed most significant first and the last byte is padded with zeros.
// The stream has no header and no end marker: the decoder is told how many bytes to produce.
//
// Encoder and decoder start every call from the same fresh state (all symbol counts 1, empty
// trees, a window of spaces), so each stream stands alone and a given input always gives the
// same stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/component.h"
#include "platform/exception.h"

class ElzhException : public Exception {
 public:
  using Exception::Exception;
};

// Where the codec takes its bytes from. It consumes them one at a time straight from
// [next, end) and calls Refill only when that range is used up, so one byte costs a pointer
// increment while the owner still decides where the bytes come from (and may report progress or
// let the user interface run inside Refill).
class TLzhSource {
 public:
  const std::uint8_t* next = nullptr;
  const std::uint8_t* end = nullptr;
  // Points [next, end) at further bytes; false when the input is exhausted. After it has
  // returned false once it is not called again by the same Encode or Decode.
  virtual bool Refill() = 0;

 protected:
  ~TLzhSource() = default;
};

// Where the codec puts its bytes: one at a time into [next, end), calling Drain when no room is
// left. Drain takes every byte written since the owner last emptied the buffer and leaves room
// for at least one more; a sink that cannot write throws. The codec does not flush at the end:
// the bytes still buffered are the owner's to write after Encode or Decode returns.
class TLzhSink {
 public:
  std::uint8_t* next = nullptr;
  std::uint8_t* end = nullptr;
  virtual void Drain() = 0;

 protected:
  ~TLzhSink() = default;
};

class Tlzh : public TObject {
 public:
  // Codes everything the source delivers and returns the number of bytes consumed.
  // Throws ElzhException "LZH : Cannot get memory for dictionary tables" when the working tables
  // cannot be had; exceptions of the source and the sink pass through unchanged.
  std::int64_t Encode(TLzhSource& input, TLzhSink& output);

  // Decodes until at least count bytes are written (the last match may carry the output up to
  // 59 bytes further) and returns the number written. A valid stream never needs bits past its
  // last byte, so a stream that runs out early (cut, or decoded with too large a count) stops at
  // the first code that reaches past its end and the result falls short of count: a damaged
  // stream cannot make the decoder spin out junk up to count.
  std::int64_t Decode(std::int64_t count, TLzhSource& input, TLzhSink& output);
};

// Adapters for streams held in memory.
class TLzhBufferSource final : public TLzhSource {
 public:
  TLzhBufferSource(const void* data, std::size_t size) {
    next = static_cast<const std::uint8_t*>(data);
    end = next + size;
  }
  bool Refill() override { return false; }
};

// Appends to a vector, which Finish trims to the bytes written.
class TLzhVectorSink final : public TLzhSink {
 public:
  explicit TLzhVectorSink(std::vector<std::uint8_t>& out);
  void Drain() override;
  void Finish();

 private:
  std::vector<std::uint8_t>& out_;
};
