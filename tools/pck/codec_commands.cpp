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

bool ParseMode(const std::string& word, TCompressMode& mode) {
  for (TCompressMode m : {TCompressMode::Good, TCompressMode::Fast, TCompressMode::Auto}) {
    if (word == ModeName(m)) {
      mode = m;
      return true;
    }
  }
  return false;
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

struct Arguments {
  TCompressMode mode = TCompressMode::Good;
  bool verbose = false;
  std::vector<std::string> paths;
};

// Options may come anywhere before "--"; takes --mode only when the command has it.
bool Parse(const Command& command, const std::vector<std::string>& args, bool takesMode,
           Arguments& out, int& exitCode) {
  bool options = true;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (options && arg == "--") {
      options = false;
    } else if (options && takesMode && (arg == "--mode" || arg == "-m" ||
                                        arg.rfind("--mode=", 0) == 0)) {
      std::string value;
      if (arg.size() > 7 && arg[6] == '=') {
        value = arg.substr(7);
      } else if (i + 1 < args.size()) {
        value = args[++i];
      } else {
        exitCode = UsageError(command, "--mode needs a value: good, fast or auto");
        return false;
      }
      if (!ParseMode(value, out.mode)) {
        exitCode = UsageError(command, "unknown mode \"" + value + "\" (good, fast or auto)");
        return false;
      }
    } else if (options && (arg == "--verbose" || arg == "-v")) {
      out.verbose = true;
    } else if (options && arg.size() > 1 && arg[0] == '-') {
      exitCode = UsageError(command, "unknown option \"" + arg + "\"");
      return false;
    } else {
      out.paths.push_back(arg);
    }
  }
  if (out.paths.size() != 2) {
    exitCode = UsageError(command, out.paths.size() < 2 ? "INPUT and OUTPUT are needed"
                                                        : "too many arguments");
    return false;
  }
  for (const std::string& path : out.paths) {
    // The compressor would only say it cannot size or open it; the user needs to hear why.
    if (platform::DirectoryExists(EnginePath(path))) {
      exitCode = Failure("pck " + std::string(command.name) + ": " + path + ": is a directory");
      return false;
    }
  }
  // The input is sized before it is read, which a pipe or a device cannot be: reading one would
  // wait for ever or never end. An output pipe with no reader would wait for ever as well.
  std::error_code ec;
  const auto input = std::filesystem::status(platform::NativePath(EnginePath(out.paths[0])), ec);
  if (std::filesystem::exists(input) && !std::filesystem::is_regular_file(input)) {
    exitCode = Failure("pck " + std::string(command.name) + ": " + out.paths[0] +
                       ": is not a regular file (" + KindOf(input.type()) +
                       "); INPUT must be a file");
    return false;
  }
  const auto output = std::filesystem::status(platform::NativePath(EnginePath(out.paths[1])), ec);
  if (output.type() == std::filesystem::file_type::fifo ||
      output.type() == std::filesystem::file_type::socket) {
    exitCode = Failure("pck " + std::string(command.name) + ": " + out.paths[1] + ": is " +
                       KindOf(output.type()) +
                       "; OUTPUT must be a file or a device, written whole or not at all");
    return false;
  }
  if (SameFile(platform::NativePath(EnginePath(out.paths[0])),
               platform::NativePath(EnginePath(out.paths[1])))) {
    exitCode = UsageError(command, "INPUT and OUTPUT are the same file");
    return false;
  }
  return true;
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
int RunCodec(const Command& command, const std::vector<std::string>& args) {
  const bool compress = std::string(command.name) == "compress";
  Arguments a;
  int exitCode = kExitOk;
  if (!Parse(command, args, compress, a, exitCode)) return exitCode;
  Tlzrw1 compressor;
  SafeOutput output(EnginePath(a.paths[1]));
  compressor.InputFile = EnginePath(a.paths[0]);
  compressor.OutputFile = output.Path();
  try {
    compressor.CompressMode = a.mode;
    if (compress && a.mode == TCompressMode::Auto) compressor.CompressMode = compressor.Advise();
    const std::int32_t size = compress ? compressor.Compress() : compressor.Decompress();
    Commit(output);
    if (a.verbose) {
      std::printf("%s: %ld -> %ld bytes", a.paths[1].c_str(),
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
    {"compress", "compress [--mode good|fast|auto] [-v] INPUT OUTPUT",
     "Compress the file INPUT into the compressed file OUTPUT.",
     "Compresses INPUT into OUTPUT, replacing OUTPUT if it exists.\n"
     "\n"
     "Options:\n"
     "  -m, --mode good   one LZH stream (adaptive Huffman coding): smaller, slower (default)\n"
     "  -m, --mode fast   LZRW1-KH blocks of 32768 bytes: larger, several times faster\n"
     "  -m, --mode auto   fast when trial blocks from the file shrink under 40 %, else good;\n"
     "                    files under 98304 bytes are always good\n"
     "  -v, --verbose     report the sizes and the method used\n"
     "\n"
     "The input must be a regular file smaller than 2 GB: a pipe or a device is refused, as\n"
     "is an OUTPUT that is a named pipe. OUTPUT is written under a temporary name beside it\n"
     "and renamed when complete: on failure or interruption an existing OUTPUT stays as it was.\n",
     RunCodec},
    {"expand", "expand [-v] INPUT OUTPUT",
     "Expand the compressed file INPUT into OUTPUT.",
     "Expands INPUT, made by \"pck compress\" (either method; the file names its own), into\n"
     "OUTPUT, replacing OUTPUT if it exists.\n"
     "\n"
     "Options:\n"
     "  -v, --verbose     report the sizes\n"
     "\n"
     "A damaged or cut INPUT is reported, and an existing OUTPUT stays as it was.\n",
     RunCodec},
};

}  // namespace

const std::vector<Command>& CodecCommands() { return kCommands; }

}  // namespace pck
