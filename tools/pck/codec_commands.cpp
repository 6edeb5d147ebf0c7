// pck compress / pck expand: the compressed-file format as a file tool.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "codecs/lzrw1.h"
#include "platform/file.h"
#include "tools/pck/commands.h"
#include "tools/pck/safe_output.h"

namespace pck {
namespace {

const char* ModeName(TCompressMode mode) {
  switch (mode) {
    case TCompressMode::Fast: return "fast";
    case TCompressMode::Auto: return "auto";
    case TCompressMode::Good: break;
  }
  return "good";
}

const char* KindOf(std::filesystem::file_type type) {
  switch (type) {
    case std::filesystem::file_type::fifo: return "a named pipe";
    case std::filesystem::file_type::socket: return "a socket";
    case std::filesystem::file_type::character: return "a character device";
    case std::filesystem::file_type::block: return "a block device";
    default: return "not a file";
  }
}

// INPUT and OUTPUT are files, and not the same one.
int CheckPaths(const Command& command, const std::vector<std::string>& paths) {
  for (const std::string& path : paths) {
    // The compressor would only say it cannot size or open it; the user needs to hear why.
    if (platform::DirectoryExists(EnginePath(path)))
      return Failure("pck " + std::string(command.name) + ": " + path + ": is a directory");
  }
  // The input is sized before it is read, which a pipe or a device cannot be: reading one would
  // wait for ever or never end. An output pipe with no reader would wait for ever as well.
  std::error_code ec;
  const auto input = std::filesystem::status(platform::NativePath(EnginePath(paths[0])), ec);
  if (std::filesystem::exists(input) && !std::filesystem::is_regular_file(input))
    return Failure("pck " + std::string(command.name) + ": " + paths[0] +
                   ": is not a regular file (" + KindOf(input.type()) + "); INPUT must be a file");
  const auto output = std::filesystem::status(platform::NativePath(EnginePath(paths[1])), ec);
  if (output.type() == std::filesystem::file_type::fifo ||
      output.type() == std::filesystem::file_type::socket)
    return Failure("pck " + std::string(command.name) + ": " + paths[1] + ": is " +
                   KindOf(output.type()) +
                   "; OUTPUT must be a file or a device, written whole or not at all");
  if (SameFile(platform::NativePath(EnginePath(paths[0])),
               platform::NativePath(EnginePath(paths[1]))))
    return UsageError(command, "INPUT and OUTPUT are the same file");
  return kExitOk;
}

// The compressor names the file it writes; the user knows it by the name they gave.
std::string Named(std::string message, const SafeOutput& output) {
  const std::string& temp = output.Path();
  for (std::size_t at; temp != output.Target() && (at = message.find(temp)) != std::string::npos;)
    message.replace(at, temp.size(), output.Target());
  return message;
}

// The finished output takes its place; until then it has a name of its own.
void Commit(SafeOutput& output) {
  if (!output.Commit())
    throw ELzrw1Exception("Lzrw1 : Outputfile " + output.Target() + " can not be opened !");
}

// compress and expand: one compressor operation from INPUT into OUTPUT, which lands whole or
// not at all.
int RunCodec(const Command& command, const Options& a) {
  const bool compress = std::string(command.name) == "compress";
  if (const int exitCode = CheckPaths(command, a.operands); exitCode != kExitOk) return exitCode;
  Tlzrw1 compressor;
  SafeOutput output(EnginePath(a.operands[1]));
  compressor.InputFile = EnginePath(a.operands[0]);
  compressor.OutputFile = output.Path();
  try {
    compressor.CompressMode = a.mode;
    if (compress && a.mode == TCompressMode::Auto) compressor.CompressMode = compressor.Advise();
    const std::int32_t size = compress ? compressor.Compress() : compressor.Decompress();
    Commit(output);
    if (a.verbose) {
      std::printf("%s: %ld -> %ld bytes", a.operands[1].c_str(),
                  static_cast<long>(compressor.InSize()), static_cast<long>(size));
      if (compress) std::printf(", method %s", ModeName(compressor.CompressMode));
      std::printf("\n");
    }
  } catch (const Exception& e) {
    return Failure(Named(e.Message(), output));
  }
  return kExitOk;
}

const std::vector<Command> kCommands = {
    {"compress", "INPUT OUTPUT", 2, 2,
     "Compress the file INPUT into the compressed file OUTPUT.",
     "Compresses INPUT into OUTPUT, replacing OUTPUT if it exists.\n",
     {{Opt::Mode}, {Opt::Verbose, "report the sizes and the method used"}, {Opt::Quiet}},
     "The input must be a regular file smaller than 2 GB: a pipe or a device is refused, as\n"
     "is an OUTPUT that is a named pipe. OUTPUT is written under a temporary name beside it\n"
     "and renamed when complete: on failure or interruption an existing OUTPUT stays as it was.\n",
     RunCodec},
    {"expand", "INPUT OUTPUT", 2, 2,
     "Expand the compressed file INPUT into OUTPUT.",
     "Expands INPUT, made by \"pck compress\" (either method; the file names its own), into\n"
     "OUTPUT, replacing OUTPUT if it exists.\n",
     {{Opt::Verbose, "report the sizes"}, {Opt::Quiet}},
     "A damaged or cut INPUT is reported, and an existing OUTPUT stays as it was.\n",
     RunCodec},
};

}  // namespace

const std::vector<Command>& CodecCommands() { return kCommands; }

}  // namespace pck
