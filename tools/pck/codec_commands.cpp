// pck compress / pck expand: the compressed-file format as a file tool.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "codecs/lzrw1.h"
#include "pack/format.h"
#include "platform/errors.h"
#include "platform/file.h"
#include "tools/pck/commands.h"
#include "tools/pck/failures.h"
#include "tools/pck/i18n.h"
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
    case std::filesystem::file_type::fifo: return _("a named pipe");
    case std::filesystem::file_type::socket: return _("a socket");
    case std::filesystem::file_type::character: return _("a character device");
    case std::filesystem::file_type::block: return _("a block device");
    default: return _("not a file");
  }
}

// INPUT and OUTPUT are files, and not the same one.
int CheckPaths(const Command& command, const std::vector<std::string>& paths) {
  for (const std::string& path : paths) {
    // The compressor would only say it cannot size or open it; the user needs to hear why.
    if (platform::DirectoryExists(EnginePath(path)))
      return Failure(EnginePath(path), _("is a directory"));
  }
  // The input is sized before it is read, which a pipe or a device cannot be: reading one would
  // wait for ever or never end. An output pipe with no reader would wait for ever as well.
  std::error_code ec;
  const auto input = std::filesystem::status(platform::NativePath(EnginePath(paths[0])), ec);
  if (std::filesystem::exists(input) && !std::filesystem::is_regular_file(input))
    return Failure(
        EnginePath(paths[0]),
        Format(_("is not a regular file (%s); INPUT must be a file"), KindOf(input.type())));
  const auto output = std::filesystem::status(platform::NativePath(EnginePath(paths[1])), ec);
  if (output.type() == std::filesystem::file_type::fifo ||
      output.type() == std::filesystem::file_type::socket)
    return Failure(EnginePath(paths[1]),
                   Format(_("is %s; OUTPUT must be a file or a device, written whole or not at "
                            "all"),
                          KindOf(output.type())));
  if (SameFile(platform::NativePath(EnginePath(paths[0])),
               platform::NativePath(EnginePath(paths[1]))))
    return UsageError(command, _("INPUT and OUTPUT are the same file"));
  return kExitOk;
}

// Whether the file starts as a .PCK archive does: expanding one is a task for extract.
bool IsArchive(const std::string& path) {
  platform::File file;
  std::uint8_t head[pck_format::kVolumeHeaderSize];
  return file.Open(path, platform::OpenMode::Read) &&
         file.Read(head, sizeof head) == static_cast<std::int64_t>(sizeof head) &&
         pck_format::FindSignature(pck_format::VolumeHeader::Decode(head).Sig) != 0;
}

// A failure of the compressor, naming the files as the user gave them: the output is written
// under a name of its own until it is complete.
int CodecFailure(const Command& command, const std::exception& e, const std::string& input,
                 const SafeOutput& output) {
  Problem problem = Describe(e);
  if (problem.file == output.Path()) problem.file = output.Target();
  const auto* codec = dynamic_cast<const ELzrw1Exception*>(&e);
  if (codec && codec->Kind == ELzrw1Exception::TKind::NotCompressed &&
      std::string(command.name) == "expand" && IsArchive(input))
    problem.text =
        _("is a .PCK archive, not a compressed file: list it with \"pck list\" and "
          "unpack it with \"pck extract\"");
  return Failure(problem.file.empty() && problem.aboutAFile ? input : problem.file, problem.text);
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
    // The finished output takes its place; until then it has a name of its own.
    if (!output.Commit()) platform::RaiseLastOSError(platform::IoAction::Rename, output.Target());
    if (a.verbose) {
      std::string line =
          compress ? Format(_("%s: %ld -> %ld bytes, method %s"), a.operands[1].c_str(),
                            static_cast<long>(compressor.InSize()), static_cast<long>(size),
                            ModeName(compressor.CompressMode))
                   : Format(_("%s: %ld -> %ld bytes"), a.operands[1].c_str(),
                            static_cast<long>(compressor.InSize()), static_cast<long>(size));
      Print(stdout, line + "\n");
    }
  } catch (const std::exception& e) {
    return CodecFailure(command, e, compressor.InputFile, output);
  }
  return kExitOk;
}

const std::vector<Command> kCommands = {
    {"compress",
     "INPUT OUTPUT",
     2,
     2,
     N_("Compress the file INPUT into the compressed file OUTPUT."),
     N_("Compresses INPUT into OUTPUT, replacing OUTPUT if it exists.\n"),
     {{Opt::Mode}, {Opt::Verbose, N_("report the sizes and the method used")}, {Opt::Quiet}},
     N_("The input must be a regular file smaller than 2 GB: a pipe or a device is refused, as\n"
        "is an OUTPUT that is a named pipe. OUTPUT is written under a temporary name beside it\n"
        "and renamed when complete: on failure or interruption an existing OUTPUT stays as it "
        "was.\n"),
     RunCodec},
    {"expand",
     "INPUT OUTPUT",
     2,
     2,
     N_("Expand the compressed file INPUT into OUTPUT."),
     N_("Expands INPUT, made by \"pck compress\" (either method; the file names its own), into\n"
        "OUTPUT, replacing OUTPUT if it exists. A .PCK archive is unpacked by \"pck extract\".\n"),
     {{Opt::Verbose, N_("report the sizes")}, {Opt::Quiet}},
     N_("A damaged or cut INPUT is reported, and an existing OUTPUT stays as it was.\n"),
     RunCodec},
};

}  // namespace

const std::vector<Command>& CodecCommands() { return kCommands; }

}  // namespace pck
