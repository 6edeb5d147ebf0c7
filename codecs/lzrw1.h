// Tlzrw1: compresses one file into another and expands it again.
//
// Compressed file (integers little-endian):
//   0  4  signature: "WRZL" method Fast, "!HZL" method Good
//   4  4  uncompressed size, signed 32-bit
//   8     body. Fast: block records (2-byte encoded length 1..32769, then one LZRW1-KH block);
//         every block but the last decodes to 32768 bytes, and a size that is a multiple of
//         32768 (0 included) has no short block. Good: one LZH stream of the whole file.
//
// Compress writes OutputFile with CompressMode (Auto lets Advise choose); Decompress reads the
// method from the signature. Every failure throws: ELzrw1Exception with a message naming the
// file and the fault ("Lzrw1 : ERROR READING FROM <file> !", "Lzrw1/KH : Sizes do not match !!
// Corruption", ...), or the codecs' own exceptions when memory runs out. Once the output file has
// been created, a failure closes and deletes it, so an operation leaves either a complete file or
// none. A cut input always ends in an exception, never in a shorter file passed off as complete;
// other damage is caught where it breaks the structure or the size (the format has no checksum).
// The input is only ever read (shared with other readers), so a read-only input or one another
// program is reading compresses as well.
//
// Once per block of up to 32768 bytes read or written the component lets the user interface
// process pending messages (platform::KeepResponsive), not after the few bytes of headers and
// block lengths around them: under a window system every look asks the system for messages, so
// the setup program's user interface also lets blocks that follow each other closely pass.
// Event handlers run in the middle of an operation and must not start another one on the same
// component.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "codecs/lzh.h"
#include "codecs/lzrw1kh.h"
#include "platform/component.h"
#include "platform/exception.h"
#include "platform/file.h"

enum class TCompressMode : std::uint8_t { Good = 0, Fast = 1, Auto = 2 };

// What the first bytes of a compressed file say about it, read without expanding anything.
struct TCompressedHeader {
  enum class TKind : std::uint8_t {
    NotCompressed,  // no signature: the bytes are not a compressed file
    Fast,
    Good,
    Damaged,  // a signature, but a size that is cut short, negative or impossible
  };
  static constexpr std::size_t kSize = 8;

  TKind Kind = TKind::NotCompressed;
  std::int32_t Size = 0;  // the uncompressed size, for Fast and Good

  // head: the first bytes of a compressed file of fileSize bytes (up to kSize of them).
  static TCompressedHeader Read(const std::uint8_t* head, std::size_t n, std::int64_t fileSize);
};

// The message is the setup program's, exactly; what went wrong is also told by Kind, and the
// file by FileName, for a program that words it otherwise.
class ELzrw1Exception : public Exception {
 public:
  enum class TKind : std::uint8_t {
    NoMemory,         // the I/O buffers could not be had
    InputNotFound,    // the input cannot be opened
    OutputNotOpened,  // the output cannot be created (or is the input)
    SizeUnknown,      // the input's size cannot be read
    ReadError,        // reading the input failed, or it ended inside a record
    WriteError,       // writing or closing the output failed
    TooLarge,         // 2 GB or more
    Changed,          // the input grew or shrank while it was compressed
    NotCompressed,    // no signature of a compressed file
    Corrupt,          // the data does not expand to the size recorded
    Other,            // raised by a handler, not the compressor
  };
  ELzrw1Exception(TKind kind, const std::string& message, std::string fileName = {},
                  int errorCode = 0)
      : Exception(message), Kind(kind), FileName(std::move(fileName)), ErrorCode(errorCode) {}
  TKind Kind;
  std::string FileName;  // the file it concerns (InputFile or OutputFile), or empty
  int ErrorCode;         // the system's error code of a failed read or write, or 0
};

// Where Decompress can send the expanded bytes instead of OutputFile: a check that only counts
// them touches no file at all.
class TLzrw1Output {
 public:
  virtual ~TLzrw1Output() = default;
  // Takes size bytes; false when they could not be taken.
  virtual bool Write(const void* data, std::size_t size) = 0;
};

class Tlzrw1 : public TComponent {
 public:
  explicit Tlzrw1(TComponent* owner = nullptr);
  ~Tlzrw1() override;

  std::string InputFile, OutputFile;  // Windows paths, opened through platform/file.h
  TCompressMode CompressMode = TCompressMode::Good;
  // Running totals during an operation: bytes read from InputFile, bytes written to OutputFile.
  std::function<void(TObject* Sender, std::int32_t InSize, std::int32_t OutSize)> OnProgress;
  // Once, when an operation has succeeded: OutSize * 100 / InSize (0 for an empty input).
  std::function<void(TObject* Sender, std::int32_t PercentCompressed)> OnFinished;

  // Returns the size of the compressed file, header included. An input of 2 GB or more, or an
  // output that would grow that large, is refused: the size field cannot record it.
  std::int32_t Compress();
  // The same into output; OutputFile only names it in messages, and no file is created.
  std::int32_t Compress(TLzrw1Output& output);
  // Returns the size of the expanded file.
  std::int32_t Decompress();
  // The same from input, already open and positioned at the compressed file, which ends where
  // input does; InputFile only names it in messages, and input stays open. The expanded file
  // gets outputTime as its last-write time (an MS-DOS date/time) and outputAttr as its
  // attributes (platform/fileinfo.h), both through the handle that wrote it, which spares
  // opening it again.
  std::int32_t Decompress(platform::File& input, std::int32_t outputTime, std::uint16_t outputAttr);
  // The same into output; OutputFile only names it in messages, and no file is created.
  std::int32_t Decompress(TLzrw1Output& output);
  // From input, as above, into output.
  std::int32_t Decompress(platform::File& input, TLzrw1Output& output);
  // Fast when the block codec brings two samples of InputFile under 40 %, else Good. Inputs
  // under 98304 bytes are Good without a trial, and then CompressMode becomes Good as well.
  TCompressMode Advise();

  // The totals of the last operation. Compress counts the uncompressed bytes read and every
  // byte written (header included); Decompress every byte read (header included) and the
  // expanded bytes written.
  std::int32_t InSize() const { return inSize_; }
  std::int32_t OutSize() const { return outSize_; }

 private:
  struct Operation;
  class StreamSource;
  class StreamSink;

  void CheckWritten(std::int64_t actual, std::int64_t expected);
  void CheckRead(std::int64_t actual, std::int64_t expected);
  void Write(Operation& op, const void* data, std::int64_t size);
  std::int64_t GetInputSize();
  void CreateOutput(Operation& op);
  std::int32_t CompressTo(TLzrw1Output* output);
  std::int32_t DecompressFrom(TLzrw1Output* output);
  void AddIn(std::int64_t n);
  void AddOut(std::int64_t n);
  void Progress();
  void PackBlocks(Operation& op);
  void PackStream(Operation& op);
  void UnpackBlocks(Operation& op);
  void UnpackStream(Operation& op);
  struct Stamp {
    std::int32_t time;
    std::uint16_t attr;
  };
  std::int32_t Expand(Operation& op, std::optional<Stamp> stamp);

  TLZRW1KH kh_;
  Tlzh lzh_;
  std::int32_t inSize_ = 0;
  std::int32_t outSize_ = 0;
};
