// pck compress / pck expand: the compressed-file format as a file tool.
#include <cstdio>
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

// INPUT and OUTPUT are files, and not the same one.
int CheckPaths(const Command& command, const std::vector<std::string>& paths) {
  for (const std::string& path : paths) {
    // The compressor would only say it cannot size or open it; the user needs to hear why.
    if (platform::DirectoryExists(EnginePath(path)))
      return Failure("pck " + std::string(command.name) + ": " + path + ": is a directory");
  }
  if (SameFile(paths[0], paths[1])) return UsageError(command, "INPUT and OUTPUT are the same file");
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
     "The input must be smaller than 2 GB. OUTPUT is written under a temporary name beside it\n"
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
