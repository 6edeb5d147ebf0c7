// LZRW1-KH: the fast block codec of the compressed-file container.
//
// A byte-oriented LZ77 coder for one block of at most 32768 bytes held in memory. One hash probe
// per position over 3-byte prefixes finds a candidate 3..18 bytes long and up to 4095 bytes back;
// a run item codes 16..4095 repetitions of one byte. Blocks are independent: every CompressBlock
// starts from an empty hash table and no copy reaches outside its block.
//
// Encoded block (16-bit values high byte first):
//   byte 0      0x40 compressed form, 0x80 stored form (the source bytes follow verbatim)
//   compressed  groups of a 16-bit control word and up to 16 items; control bit 15 describes the
//               first item of the group. Bit 0: literal (1 byte). Bit 1: copy, 16-bit value
//               distance * 16 + (length - 3) with distance 1..4095; or, when the distance bits are
//               0, a run: 00, 16-bit count - 16, the byte to repeat.
// The compressed form is kept only when its whole length is at most the source length, so an
// encoded block is never longer than source length + 1.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/component.h"
#include "platform/exception.h"

class ELzrw1KHCompressor : public Exception {
 public:
  enum class TKind : std::uint8_t { Damaged, NoMemory };
  ELzrw1KHCompressor(TKind kind, const std::string& message) : Exception(message), Kind(kind) {}
  TKind Kind;
};

class TLZRW1KH : public TObject {
 public:
  static constexpr std::size_t kMaxBlockSize = 32768;
  // The longest encoded block: a full block in stored form.
  static constexpr std::size_t kMaxEncodedSize = kMaxBlockSize + 1;

  // Throws ELzrw1KHCompressor "LZRW1KH : no memory for HASH table" when the table cannot be had.
  TLZRW1KH();
  ~TLZRW1KH() override;
  TLZRW1KH(const TLZRW1KH&) = delete;
  TLZRW1KH& operator=(const TLZRW1KH&) = delete;

  // Encodes source[0..sourceSize) (sourceSize <= kMaxBlockSize) into dest and returns the encoded
  // length, at most sourceSize + 1; dest must hold that many bytes. Never fails: data that does
  // not get smaller comes out in stored form. The same bytes always give the same block.
  std::uint16_t CompressBlock(const std::uint8_t* source, std::uint8_t* dest,
                              std::uint16_t sourceSize);

  // Decodes the sourceSize-byte block at source into dest, which has room for destCapacity
  // bytes, and returns the number of bytes produced. A block of 0 or 1 bytes yields nothing. A
  // damaged block (an item cut short by the end of the block, a copy reaching before the start
  // of the output, output beyond destCapacity) throws ELzrw1KHCompressor; nothing outside the
  // two buffers is ever read or written. Bytes of dest past the result may be overwritten.
  std::uint16_t DecompressBlock(const std::uint8_t* source, std::uint8_t* dest,
                                std::uint16_t sourceSize, std::uint16_t destCapacity);

 private:
  struct Match {
    std::uint16_t position;
    std::uint16_t length;  // 0: none
  };
  Match FindMatch(const std::uint8_t* source, std::uint16_t x, std::uint16_t sourceSize);

  // 4096 entries: the last position whose 3-byte prefix hashed there, or -32768 (empty).
  std::unique_ptr<std::int16_t[]> hash_;
};
