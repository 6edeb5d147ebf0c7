// Decompress of an arbitrary file: it either succeeds with an output of the size it reports, or
// fails with ELzrw1Exception and leaves no output behind.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "codecs/lzrw1.h"
#include "platform/file.h"

namespace {

const std::filesystem::path& WorkDir() {
  static const std::filesystem::path dir = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "fuzz-lzrw1-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    return std::filesystem::path(pattern);
  }();
  return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto in = WorkDir() / "in", out = WorkDir() / "out";
  {
    std::ofstream f(in, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  Tlzrw1 lzrw1;
  lzrw1.InputFile = platform::WindowsPath(in.string());
  lzrw1.OutputFile = platform::WindowsPath(out.string());
  try {
    const std::int32_t written = lzrw1.Decompress();
    if (std::filesystem::file_size(out) != static_cast<std::uintmax_t>(written)) std::abort();
  } catch (const ELzrw1Exception&) {
    if (std::filesystem::exists(out)) std::abort();
  }
  std::filesystem::remove(out);
  return 0;
}
