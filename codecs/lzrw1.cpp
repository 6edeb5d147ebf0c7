#include "codecs/lzrw1.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

#include "platform/errors.h"
#include "platform/file.h"
#include "platform/fileinfo.h"
#include "platform/little_endian.h"
#include "platform/ui.h"

namespace {

using Kind = ELzrw1Exception::TKind;

constexpr std::size_t kBlockSize = TLZRW1KH::kMaxBlockSize;  // 32768
constexpr std::size_t kBufferSize = kBlockSize + 16;
constexpr std::int64_t kAdviseMinimum = 3 * static_cast<std::int64_t>(kBlockSize);
constexpr std::int64_t kMaxSize = std::numeric_limits<std::int32_t>::max();

constexpr std::uint8_t kFastSignature[4] = {'W', 'R', 'Z', 'L'};
constexpr std::uint8_t kGoodSignature[4] = {'!', 'H', 'Z', 'L'};

std::int32_t Percent(std::int64_t part, std::int64_t whole) {
  if (whole == 0) return 0;  // an empty input: nothing was compressed
  return static_cast<std::int32_t>(std::min(part * 100 / whole, kMaxSize));
}

[[noreturn]] void TooLarge(const std::string& file) {
  throw ELzrw1Exception(Kind::TooLarge, "Lzrw1 : " + file + " : FILE TOO LARGE (2 GB OR MORE) !",
                        file);
}

[[noreturn]] void Corrupt(const std::string& message, const std::string& file) {
  throw ELzrw1Exception(Kind::Corrupt, message, file);
}

}  // namespace

TCompressedHeader TCompressedHeader::Read(const std::uint8_t* head, std::size_t n,
                                          std::int64_t fileSize) {
  TCompressedHeader h;
  if (n < 4) return h;
  bool fast = std::memcmp(head, kFastSignature, 4) == 0;
  if (!fast && std::memcmp(head, kGoodSignature, 4) != 0) return h;
  h.Kind = TKind::Damaged;
  if (n < kSize || fileSize < static_cast<std::int64_t>(kSize)) return h;
  std::int64_t size = static_cast<std::int32_t>(platform::LoadLE<std::uint32_t>(head + 4));
  std::int64_t body = fileSize - static_cast<std::int64_t>(kSize);
  if (size < 0) return h;
  if (fast) {
    // One block record per 32768 bytes (the last one shorter), each a 2-byte length and 1 to
    // 32769 bytes of block.
    std::int64_t blocks =
        (size + static_cast<std::int64_t>(kBlockSize) - 1) / static_cast<std::int64_t>(kBlockSize);
    if (body < 3 * blocks || body > blocks * (2 + static_cast<std::int64_t>(kBlockSize) + 1))
      return h;
  } else if (size > 0 && body == 0) {
    return h;
  }
  h.Kind = fast ? TKind::Fast : TKind::Good;
  h.Size = static_cast<std::int32_t>(size);
  return h;
}

// The resources of one Compress, Decompress or Advise; released on every way out.
struct Tlzrw1::Operation {
  std::unique_ptr<std::uint8_t[]> in, out;
  platform::File ownInput, output;
  platform::File& input;         // ownInput, or the caller's open file
  TLzrw1Output* sink = nullptr;  // when set, receives what would go to output

  explicit Operation(const char* noMemory, platform::File* callerInput = nullptr)
      : in(new (std::nothrow) std::uint8_t[kBufferSize]),
        out(new (std::nothrow) std::uint8_t[kBufferSize]),
        input(callerInput ? *callerInput : ownInput) {
    if (!in || !out) throw ELzrw1Exception(Kind::NoMemory, noMemory);
  }
};

// Serves the LZH codec from the input buffer, one file read per 32768 bytes.
class Tlzrw1::StreamSource final : public TLzhSource {
 public:
  StreamSource(Tlzrw1& owner, Operation& op) : owner_(owner), op_(op) {}
  bool Refill() override {
    const std::int64_t n = op_.input.Read(op_.in.get(), kBlockSize);
    if (n < 0)
      throw ELzrw1Exception(Kind::ReadError, "Lzrw1/LZH : READ ERROR ON " + owner_.InputFile + " !",
                            owner_.InputFile, platform::LastErrorCode());
    platform::KeepResponsive();
    owner_.AddIn(n);
    owner_.Progress();
    next = op_.in.get();
    end = next + n;
    return n > 0;
  }

 private:
  Tlzrw1& owner_;
  Operation& op_;
};

// Collects the LZH codec's output in the output buffer and writes it 32768 bytes at a time.
class Tlzrw1::StreamSink final : public TLzhSink {
 public:
  StreamSink(Tlzrw1& owner, Operation& op) : owner_(owner), op_(op) {
    next = op_.out.get();
    end = next + kBlockSize;
  }
  void Drain() override { Flush(); }
  void Flush() {
    const std::uint8_t* begin = op_.out.get();
    owner_.Write(op_, begin, next - begin);
    platform::KeepResponsive();
    owner_.Progress();
    next = op_.out.get();
  }

 private:
  Tlzrw1& owner_;
  Operation& op_;
};

Tlzrw1::Tlzrw1(TComponent* owner) : TComponent(owner) {}

Tlzrw1::~Tlzrw1() = default;

void Tlzrw1::CheckWritten(std::int64_t actual, std::int64_t expected) {
  if (actual != expected)
    throw ELzrw1Exception(Kind::WriteError, "Lzrw1 : ERROR WRITING TO " + OutputFile + " !",
                          OutputFile, platform::LastErrorCode());
}

void Tlzrw1::CheckRead(std::int64_t actual, std::int64_t expected) {
  if (actual != expected)
    throw ELzrw1Exception(Kind::ReadError, "Lzrw1 : ERROR READING FROM " + InputFile + " !",
                          InputFile, actual < 0 ? platform::LastErrorCode() : 0);
}

void Tlzrw1::Write(Operation& op, const void* data, std::int64_t size) {
  const auto n = static_cast<std::size_t>(size);
  CheckWritten(op.sink ? (op.sink->Write(data, n) ? size : -1) : op.output.Write(data, n), size);
  AddOut(size);
}

// The input is only read, so it is opened for reading alone: a read-only input, or one another
// program has open for reading, must still compress.
std::int64_t Tlzrw1::GetInputSize() {
  platform::File file;
  const std::int64_t size = file.Open(InputFile, platform::OpenMode::Read) ? file.Size() : -1;
  if (size < 0)
    throw ELzrw1Exception(Kind::SizeUnknown, "Lzrw1 : Cannot obtain size of " + InputFile,
                          InputFile, platform::LastErrorCode());
  return size;
}

// The totals are the signed 32-bit numbers of the events and results; a file that would carry
// them past 2 GB is refused rather than described wrongly.
void Tlzrw1::AddIn(std::int64_t n) {
  if (inSize_ + n > kMaxSize) TooLarge(InputFile);
  inSize_ = static_cast<std::int32_t>(inSize_ + n);
}

void Tlzrw1::AddOut(std::int64_t n) {
  if (outSize_ + n > kMaxSize) TooLarge(OutputFile);
  outSize_ = static_cast<std::int32_t>(outSize_ + n);
}

// Creating the output truncates it, so an output that is the input would be emptied before it
// is read. Windows refuses that through the input's sharing mode; the same answer is given
// wherever the two names are one.
void Tlzrw1::CreateOutput(Operation& op) {
  if (OutputFile == InputFile || !op.output.Open(OutputFile, platform::OpenMode::Create))
    throw ELzrw1Exception(Kind::OutputNotOpened,
                          "Lzrw1 : Outputfile " + OutputFile + " can not be opened !", OutputFile,
                          OutputFile == InputFile ? 0 : platform::LastErrorCode());
}

void Tlzrw1::Progress() {
  if (OnProgress) OnProgress(this, inSize_, outSize_);
}

// ---------------------------------------------------------------------------------------------
// Compress

std::int32_t Tlzrw1::Compress() { return CompressTo(nullptr); }

std::int32_t Tlzrw1::Compress(TLzrw1Output& output) { return CompressTo(&output); }

std::int32_t Tlzrw1::CompressTo(TLzrw1Output* output) {
  TCompressMode mode = CompressMode;
  if (mode == TCompressMode::Auto) mode = Advise();
  inSize_ = outSize_ = 0;

  Operation op("Lzrw1 : Cannot get memory for I/O Buffers");
  op.sink = output;
  const std::uint8_t* signature = mode == TCompressMode::Fast ? kFastSignature : kGoodSignature;
  const std::int64_t size = GetInputSize();
  if (size > kMaxSize) TooLarge(InputFile);
  if (!op.input.Open(InputFile, platform::OpenMode::Read))
    throw ELzrw1Exception(Kind::InputNotFound, "LZRWKH1 : Inputfile " + InputFile + " not found !",
                          InputFile, platform::LastErrorCode());
  const bool toFile = output == nullptr;
  if (toFile) CreateOutput(op);

  try {
    Write(op, signature, 4);
    std::uint8_t sizeField[4];
    platform::StoreLE(sizeField, static_cast<std::uint32_t>(size));
    Write(op, sizeField, 4);
    if (mode == TCompressMode::Fast)
      PackBlocks(op);
    else
      PackStream(op);
    // The size field was written first; an input that grew or shrank since would make a file
    // that expands to something else than it claims.
    if (inSize_ != size)
      throw ELzrw1Exception(
          Kind::Changed, "Lzrw1 : " + InputFile + " changed while it was compressed !", InputFile);
    op.input.Close();
    if (toFile && !op.output.Close())
      throw ELzrw1Exception(Kind::WriteError, "Lzrw1 : ERROR WRITING TO " + OutputFile + " !",
                            OutputFile, platform::LastErrorCode());
  } catch (...) {
    if (toFile) {
      op.output.Close();
      platform::RemoveFile(OutputFile);
    }
    throw;
  }

  if (OnFinished) OnFinished(this, Percent(outSize_, inSize_));
  return outSize_;
}

void Tlzrw1::PackBlocks(Operation& op) {
  std::int64_t n;
  do {
    n = op.input.Read(op.in.get(), kBlockSize);
    if (n < 0)
      throw ELzrw1Exception(Kind::ReadError, "Lzrw1/KH : READ ERROR ON " + InputFile + " !",
                            InputFile, platform::LastErrorCode());
    if (n == 0) break;
    platform::KeepResponsive();
    AddIn(n);
    const std::uint16_t b =
        kh_.CompressBlock(op.in.get(), op.out.get(), static_cast<std::uint16_t>(n));
    std::uint8_t length[2];
    platform::StoreLE(length, b);
    Write(op, length, 2);
    Write(op, op.out.get(), b);
    Progress();
  } while (n == static_cast<std::int64_t>(kBlockSize));
}

void Tlzrw1::PackStream(Operation& op) {
  StreamSource source(*this, op);
  StreamSink sink(*this, op);
  lzh_.Encode(source, sink);
  sink.Flush();
}

// ---------------------------------------------------------------------------------------------
// Decompress

std::int32_t Tlzrw1::Decompress() { return DecompressFrom(nullptr); }

std::int32_t Tlzrw1::Decompress(TLzrw1Output& output) { return DecompressFrom(&output); }

std::int32_t Tlzrw1::DecompressFrom(TLzrw1Output* output) {
  Operation op("Lzrw1 : no memory for I/O Buffers !!");
  op.sink = output;
  if (!op.input.Open(InputFile, platform::OpenMode::Read))
    throw ELzrw1Exception(Kind::InputNotFound, "Lzrw1 : Inputfile " + InputFile + " not found !",
                          InputFile, platform::LastErrorCode());
  return Expand(op, std::nullopt);
}

std::int32_t Tlzrw1::Decompress(platform::File& input, std::int32_t outputTime,
                                std::uint16_t outputAttr) {
  Operation op("Lzrw1 : no memory for I/O Buffers !!", &input);
  return Expand(op, Stamp{outputTime, outputAttr});
}

std::int32_t Tlzrw1::Decompress(platform::File& input, TLzrw1Output& output) {
  Operation op("Lzrw1 : no memory for I/O Buffers !!", &input);
  op.sink = &output;
  return Expand(op, std::nullopt);
}

std::int32_t Tlzrw1::Expand(Operation& op, std::optional<Stamp> stamp) {
  inSize_ = outSize_ = 0;
  const bool toFile = op.sink == nullptr;
  if (toFile) CreateOutput(op);

  try {
    std::uint8_t signature[4];
    CheckRead(op.input.Read(signature, 4), 4);
    const bool fast = std::memcmp(signature, kFastSignature, 4) == 0;
    if (!fast && std::memcmp(signature, kGoodSignature, 4) != 0)
      throw ELzrw1Exception(Kind::NotCompressed,
                            "Lzrw1 : " + InputFile + " : NOT A COMPRESSED FILE !", InputFile);
    inSize_ = 4;
    if (fast)
      UnpackBlocks(op);
    else
      UnpackStream(op);
    if (OnFinished) OnFinished(this, Percent(outSize_, inSize_));
    op.ownInput.Close();
    // A time the system refuses leaves the file its own, as when it is set by name. Attributes
    // the handle did not take are set by name once it is closed.
    const bool attrPending = stamp && toFile && !op.output.SetDosTimeAttr(stamp->time, stamp->attr);
    if (!op.output.Close())
      throw ELzrw1Exception(Kind::WriteError, "Lzrw1 : ERROR WRITING TO " + OutputFile + " !",
                            OutputFile, platform::LastErrorCode());
    if (attrPending) platform::FileSetAttr(OutputFile, stamp->attr);
  } catch (...) {
    if (toFile) {
      op.output.Close();
      platform::RemoveFile(OutputFile);
    }
    throw;
  }
  return outSize_;
}

// Every way out compares the expanded size with the recorded one, the end of the file included:
// a file cut right after a block record is as damaged as one cut inside it, and must not pass as
// a shorter but complete file. Output beyond the recorded size stops the run at once.
void Tlzrw1::UnpackBlocks(Operation& op) {
  static const std::string kCorrupt = "Lzrw1/KH : Sizes do not match !! Corruption";
  std::uint8_t field[4];
  CheckRead(op.input.Read(field, 4), 4);
  AddIn(4);
  const auto recorded = static_cast<std::int32_t>(platform::LoadLE<std::uint32_t>(field));

  std::uint16_t d;
  do {
    std::uint8_t length[2];
    const std::int64_t got = op.input.Read(length, 2);
    if (got == 0) break;  // the end of the file: no further record
    CheckRead(got, 2);
    const unsigned b = platform::LoadLE<std::uint16_t>(length);
    if (b > TLZRW1KH::kMaxEncodedSize) Corrupt(kCorrupt, InputFile);
    CheckRead(op.input.Read(op.in.get(), b), b);
    AddIn(b + 2);
    try {
      d = kh_.DecompressBlock(op.in.get(), op.out.get(), static_cast<std::uint16_t>(b),
                              static_cast<std::uint16_t>(kBlockSize));
    } catch (const ELzrw1KHCompressor&) {
      Corrupt(kCorrupt, InputFile);
    }
    Write(op, op.out.get(), d);
    platform::KeepResponsive();
    Progress();
    if (outSize_ > recorded) Corrupt(kCorrupt, InputFile);
  } while (d == kBlockSize);
  if (outSize_ != recorded) Corrupt(kCorrupt, InputFile);
}

void Tlzrw1::UnpackStream(Operation& op) {
  std::uint8_t field[4];
  CheckRead(op.input.Read(field, 4), 4);
  AddIn(4);
  const auto recorded = static_cast<std::int32_t>(platform::LoadLE<std::uint32_t>(field));

  StreamSource source(*this, op);
  StreamSink sink(*this, op);
  lzh_.Decode(recorded, source, sink);
  sink.Flush();
  if (outSize_ != recorded) Corrupt("Lzrw1/LZH : Sizes do not match !! Corruption", InputFile);
}

// ---------------------------------------------------------------------------------------------
// Advise

TCompressMode Tlzrw1::Advise() {
  Operation op("Lzrw1 : Cannot get memory for I/O Buffers");
  const std::int64_t size = GetInputSize();
  if (!op.input.Open(InputFile, platform::OpenMode::Read))
    throw ELzrw1Exception(Kind::InputNotFound, "LZRWKH1 : Inputfile " + InputFile + " not found !",
                          InputFile, platform::LastErrorCode());
  if (size < kAdviseMinimum) {
    CompressMode = TCompressMode::Good;
    return TCompressMode::Good;
  }

  // Two trial blocks, from a third and from two thirds into the file, each at a block boundary.
  std::int64_t sampled = 0, encoded = 0;
  for (const std::int64_t at : {size / 3, size * 2 / 3}) {
    const std::int64_t n = op.input.Seek(at & ~std::int64_t{kBlockSize - 1})
                               ? op.input.Read(op.in.get(), kBlockSize)
                               : -1;
    if (n < 0)
      throw ELzrw1Exception(Kind::ReadError, "Lzrw1/KH : READ ERROR ON " + InputFile + " !",
                            InputFile, platform::LastErrorCode());
    platform::KeepResponsive();
    sampled += n;
    encoded += kh_.CompressBlock(op.in.get(), op.out.get(), static_cast<std::uint16_t>(n));
  }
  return encoded < sampled * 40 / 100 ? TCompressMode::Fast : TCompressMode::Good;
}
