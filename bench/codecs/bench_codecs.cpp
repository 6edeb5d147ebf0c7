// bench_codecs [--limit MB] [FILE...]
//
// Prints, for each file, the ratio and the compress and expand speeds (MB/s of uncompressed data,
// best of several runs) of: the LZRW1-KH blocks of method Fast and the LZH stream of method Good
// in memory; Tlzrw1 compressing and expanding files in both methods; and gzip -6, gzip -1 and lz4
// run as programs on the same file (their figures include starting the program and reading the
// file). Without FILE it measures a tar of /usr/include and the largest program in /usr/bin.
// Times are CPU time (user and system) of this process or of the programs it runs, so other work
// on a shared machine disturbs them less than it would wall-clock time. Figures only: it never
// fails on speed.
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "codecs/lzh.h"
#include "codecs/lzrw1.h"
#include "codecs/lzrw1kh.h"
#include "platform/file.h"
#include "platform/little_endian.h"

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

namespace {

struct Row {
  std::string method;
  double ratio;  // compressed size / original size, in percent
  double compressMBs, expandMBs;
};

// CPU seconds used so far by this process and by the programs it has waited for.
double CpuSeconds() {
  double total = 0;
  for (int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
    rusage u;
    getrusage(who, &u);
    total += u.ru_utime.tv_sec + u.ru_utime.tv_usec * 1e-6 + u.ru_stime.tv_sec +
             u.ru_stime.tv_usec * 1e-6;
  }
  return total;
}

// Best time of fn in seconds: runs it until a second has passed (at least twice, at most 20 times).
double BestSeconds(const std::function<void()>& fn) {
  double best = 1e30, total = 0;
  for (int run = 0; run < 20 && (run < 2 || total < 1.0); ++run) {
    const double start = CpuSeconds();
    fn();
    const double s = std::max(CpuSeconds() - start, 1e-6);
    best = std::min(best, s);
    total += s;
  }
  return best;
}

double MBs(std::size_t bytes, double seconds) { return bytes / 1e6 / seconds; }

[[noreturn]] void Die(const std::string& what) {
  std::fprintf(stderr, "bench_codecs: %s\n", what.c_str());
  std::exit(1);
}

Row Fast(const Bytes& data) {
  TLZRW1KH kh;
  const std::size_t block = TLZRW1KH::kMaxBlockSize;
  Bytes packed(data.size() + data.size() / block * 2 + 16);
  std::size_t packedSize = 0;
  const double c = BestSeconds([&] {
    std::size_t out = 0;
    for (std::size_t at = 0; at < data.size(); at += block) {
      const auto n = static_cast<std::uint16_t>(std::min(block, data.size() - at));
      const std::uint16_t b = kh.CompressBlock(data.data() + at, packed.data() + out + 2, n);
      platform::StoreLE(packed.data() + out, b);
      out += 2 + b;
    }
    packedSize = out;
  });
  Bytes back(data.size() + block);
  const double d = BestSeconds([&] {
    std::size_t out = 0;
    for (std::size_t at = 0; at < packedSize;) {
      const unsigned b = platform::LoadLE<std::uint16_t>(packed.data() + at);
      out += kh.DecompressBlock(packed.data() + at + 2, back.data() + out,
                                static_cast<std::uint16_t>(b), static_cast<std::uint16_t>(block));
      at += 2 + b;
    }
    back.resize(out);
  });
  if (back != data) Die("Fast blocks did not round-trip");
  return {"Fast blocks", 100.0 * (packedSize + 8) / data.size(), MBs(data.size(), c),
          MBs(data.size(), d)};
}

Row Good(const Bytes& data) {
  Tlzh lzh;
  Bytes packed, back;
  const double c = BestSeconds([&] {
    packed.clear();
    TLzhBufferSource source(data.data(), data.size());
    TLzhVectorSink sink(packed);
    lzh.Encode(source, sink);
    sink.Finish();
  });
  const double d = BestSeconds([&] {
    back.clear();
    back.reserve(data.size() + 64);
    TLzhBufferSource source(packed.data(), packed.size());
    TLzhVectorSink sink(back);
    lzh.Decode(static_cast<std::int64_t>(data.size()), source, sink);
    sink.Finish();
  });
  if (back != data) Die("Good stream did not round-trip");
  return {"Good stream", 100.0 * (packed.size() + 8) / data.size(), MBs(data.size(), c),
          MBs(data.size(), d)};
}

Row Files(const fs::path& file, const fs::path& work, TCompressMode mode) {
  Tlzrw1 lzrw1;
  lzrw1.CompressMode = mode;
  const fs::path packed = work / "packed", back = work / "back";
  const double c = BestSeconds([&] {
    lzrw1.InputFile = platform::WindowsPath(file.string());
    lzrw1.OutputFile = platform::WindowsPath(packed.string());
    lzrw1.Compress();
  });
  const double d = BestSeconds([&] {
    lzrw1.InputFile = platform::WindowsPath(packed.string());
    lzrw1.OutputFile = platform::WindowsPath(back.string());
    lzrw1.Decompress();
  });
  const auto size = fs::file_size(file);
  if (fs::file_size(back) != size) Die("Tlzrw1 did not round-trip");
  return {mode == TCompressMode::Fast ? "Tlzrw1 fast, files" : "Tlzrw1 good, files",
          100.0 * fs::file_size(packed) / size, MBs(size, c), MBs(size, d)};
}

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// An outside program: "PROGRAM OPTIONS -c FILE > PACKED", then "PROGRAM -d -c PACKED".
Row Tool(const std::string& label, const std::string& program, const std::string& options,
         const fs::path& file, const fs::path& work) {
  const fs::path packed = work / "tool";
  const std::string pack = program + " " + options + " -c " + Quote(file.string()) + " > " +
                           Quote(packed.string());
  const std::string unpack = program + " -d -c " + Quote(packed.string()) + " > /dev/null";
  auto run = [](const std::string& command) {
    if (std::system(command.c_str()) != 0) Die("failed: " + command);
  };
  const double c = BestSeconds([&] { run(pack); });
  const double d = BestSeconds([&] { run(unpack); });
  const auto size = fs::file_size(file);
  return {label, 100.0 * fs::file_size(packed) / size, MBs(size, c), MBs(size, d)};
}

Bytes Load(const fs::path& file, std::size_t limit) {
  std::ifstream f(file, std::ios::binary);
  Bytes data((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  if (!f.good() && !f.eof()) Die("cannot read " + file.string());
  if (limit && data.size() > limit) data.resize(limit);
  return data;
}

fs::path LargestProgram() {
  fs::path best;
  std::uintmax_t size = 0;
  for (const auto& e : fs::directory_iterator("/usr/bin")) {
    std::error_code ec;
    if (e.is_regular_file(ec) && !e.is_symlink(ec) && e.file_size(ec) > size) {
      size = e.file_size(ec);
      best = e.path();
    }
  }
  if (best.empty()) Die("no program in /usr/bin");
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  std::size_t limit = 0;
  std::vector<fs::path> files;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--limit" && i + 1 < argc)
      limit = std::stoul(argv[++i]) << 20;
    else if (a == "--help" || a == "-h")
      return std::printf("usage: bench_codecs [--limit MB] [FILE...]\n"), 0;
    else
      files.push_back(a);
  }

  const fs::path work = fs::temp_directory_path() / ("bench-codecs-" + std::to_string(::getpid()));
  fs::create_directories(work);
  if (files.empty()) {
    const fs::path tar = work / "usr-include.tar";
    if (std::system(("tar -cf " + Quote(tar.string()) + " -C /usr include 2>/dev/null").c_str()))
      Die("cannot make a tar of /usr/include");
    files = {tar, LargestProgram()};
  }

  for (const fs::path& file : files) {
    const Bytes data = Load(file, limit);
    if (data.empty()) Die(file.string() + " is empty");
    // The file tools and the outside programs work on exactly the bytes measured in memory.
    const fs::path sample = work / "sample";
    {
      std::ofstream out(sample, std::ios::binary | std::ios::trunc);
      out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    }
    std::printf("\n%s: %.1f MB\n", file.string().c_str(), data.size() / 1e6);
    std::printf("  %-20s %8s %14s %14s\n", "method", "ratio", "compress MB/s", "expand MB/s");
    const Row rows[] = {
        Fast(data),
        Good(data),
        Files(sample, work, TCompressMode::Fast),
        Files(sample, work, TCompressMode::Good),
        Tool("gzip -6", "gzip", "-6", sample, work),
        Tool("gzip -1", "gzip", "-1", sample, work),
        Tool("lz4", "lz4", "-q", sample, work),
    };
    for (const Row& r : rows)
      std::printf("  %-20s %7.1f%% %14.1f %14.1f\n", r.method.c_str(), r.ratio, r.compressMBs,
                  r.expandMBs);
    std::fflush(stdout);
  }
  fs::remove_all(work);
  return 0;
}
