// bench_codecs [--limit MB] [--samples DIR] [FILE...]
//
// Without FILE: the Good method against gzip -6 on five kinds of data the benchmark makes itself
// (numbered lines, fixed-size table records with rising keys, CSV rows, executables from /usr/bin
// and C headers from /usr/include; a kind whose source is missing is skipped), one row each with
// both compress speeds and their ratio. --samples DIR only writes the five inputs into DIR.
//
// With FILE: prints, for each file, the ratio and the compress and expand speeds (MB/s of
// uncompressed data, best of several runs) of: the LZRW1-KH blocks of method Fast and the LZH
// stream of method Good in memory; Tlzrw1 compressing and expanding files in both methods; and
// gzip -6, gzip -1 and lz4 run as programs on the same file (their figures include starting the
// program and reading the file).
//
// Times are CPU time (user and system) of this process or of the programs it runs, so other work
// on a shared machine disturbs them less than it would wall-clock time. Figures only: it never
// fails on speed.
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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
  const std::string pack =
      program + " " + options + " -c " + Quote(file.string()) + " > " + Quote(packed.string());
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

void Save(const fs::path& file, const Bytes& data) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
  if (!out) Die("cannot write " + file.string());
}

// ---------------------------------------------------------------------------------------------
// The five kinds of data of the summary table, the same bytes on every run.

// A small deterministic generator (64-bit linear congruential, high bits), so the samples do not
// depend on the standard library's distributions.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  unsigned Below(unsigned n) {
    state_ = state_ * 6364136223846793005u + 1442695040888963407u;
    return static_cast<unsigned>((state_ >> 33) % n);
  }

 private:
  std::uint64_t state_;
};

const char* const kNames[] = {"ANA SILVA",     "JOAO SANTOS",    "MARIA OLIVEIRA", "PEDRO SOUZA",
                              "LUCIA COSTA",   "CARLOS PEREIRA", "PAULA LIMA",     "JOSE ALMEIDA",
                              "RITA FERREIRA", "MARCOS GOMES",   "SOFIA RIBEIRO",  "TIAGO MARTINS",
                              "HELENA ROCHA",  "BRUNO CARVALHO", "CLARA MENDES",   "RUI BARBOSA"};
const char* const kCities[] = {"SAO PAULO", "RIO DE JANEIRO", "LISBOA",   "PORTO",
                               "CURITIBA",  "RECIFE",         "BRASILIA", "COIMBRA"};
const char* const kProducts[] = {"parafuso 3mm", "porca M6",      "arruela lisa",  "broca 8mm",
                                 "martelo",      "alicate",       "chave philips", "serrote",
                                 "trena 5m",     "fita isolante", "lixa 120",      "cola branca"};

// `seq 1 1500000`.
Bytes NumberedLines() {
  std::string text;
  for (unsigned n = 1; n <= 1500000; ++n) text += std::to_string(n) + '\n';
  return Bytes(text.begin(), text.end());
}

// A database table: 32-byte records in key order, names padded with zeros. Numbers are stored high
// byte first with the sign bit flipped, so that bytes sort as the numbers do, as tables keep keys.
Bytes TableRecords() {
  constexpr std::size_t kRecord = 32, kCount = 420000;
  Random random(1);
  Bytes data(kRecord * kCount, 0);
  auto put = [](std::uint8_t* at, std::uint32_t v, int bytes) {
    v ^= 1u << (8 * bytes - 1);
    for (int i = 0; i < bytes; ++i) at[i] = static_cast<std::uint8_t>(v >> 8 * (bytes - 1 - i));
  };
  for (std::size_t i = 0; i < kCount; ++i) {
    std::uint8_t* record = &data[i * kRecord];
    put(record, static_cast<std::uint32_t>(1000 + i), 4);               // key
    put(record + 4, static_cast<std::uint32_t>(738000 + i / 1200), 4);  // day
    put(record + 8, random.Below(100), 2);                              // quantity
    record[10] = static_cast<std::uint8_t>('A' + random.Below(4));      // state
    const char* name = kNames[random.Below(16)];
    std::memcpy(record + 11, name, std::strlen(name));  // up to 21 bytes
  }
  return data;
}

// An export of sales: one CSV row per sale, ids rising, the rest varying.
Bytes CsvRows() {
  Random random(2);
  std::string text = "id,date,customer,city,product,quantity,price\n";
  char line[160];
  for (unsigned id = 1; text.size() < 9000000; ++id) {
    const int n = std::snprintf(line, sizeof line, "%u,2024-%02u-%02u,%s,%s,%s,%u,%u.%02u\n", id,
                                1 + id / 15000 % 12, 1 + id / 500 % 28, kNames[random.Below(16)],
                                kCities[random.Below(8)], kProducts[random.Below(12)],
                                1 + random.Below(50), random.Below(1000), random.Below(100));
    text.append(line, static_cast<std::size_t>(n));
  }
  return Bytes(text.begin(), text.end());
}

// The regular files under dir (not links) whose names end in suffix, or that begin with the
// executable signature when suffix is empty, in name order, joined up to limit bytes.
Bytes Gather(const fs::path& dir, const std::string& suffix, std::size_t limit) {
  std::vector<fs::path> paths;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(dir, ec); !ec && it != fs::end(it);
       it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (it->is_regular_file(ec) && !it->is_symlink(ec) &&
        (suffix.empty() || (name.size() > suffix.size() &&
                            name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)))
      paths.push_back(it->path());
  }
  std::sort(paths.begin(), paths.end());
  Bytes data;
  for (const fs::path& path : paths) {
    if (data.size() >= limit) break;
    Bytes file = Load(path, 0);
    if (suffix.empty() && (file.size() < 4 || std::memcmp(file.data(),
                                                          "\x7F"
                                                          "ELF",
                                                          4) != 0))
      continue;
    data.insert(data.end(), file.begin(), file.end());
  }
  if (data.size() > limit) data.resize(limit);
  return data;
}

struct Kind {
  const char* label;
  std::function<Bytes()> make;
};

const Kind kKinds[] = {
    {"numbered lines", NumberedLines},
    {"table records", TableRecords},
    {"CSV rows", CsvRows},
    {"executables", [] { return Gather("/usr/bin", "", 12000000); }},
    {"C headers", [] { return Gather("/usr/include", ".h", 55000000); }},
};

// CPU seconds of one compression of the file by Tlzrw1 in the Good method, as a user of the
// archiver sees it, and the compressed size.
std::pair<double, std::uintmax_t> GoodFile(const fs::path& file, const fs::path& work) {
  Tlzrw1 lzrw1;
  lzrw1.CompressMode = TCompressMode::Good;
  const fs::path packed = work / "packed";
  const double c = BestSeconds([&] {
    lzrw1.InputFile = platform::WindowsPath(file.string());
    lzrw1.OutputFile = platform::WindowsPath(packed.string());
    lzrw1.Compress();
  });
  return {c, fs::file_size(packed)};
}

void Summary(const fs::path& work) {
  std::printf("%-16s %7s %16s %16s %7s\n", "data", "MB", "gzip -6 MB/s", "Good MB/s", "ratio");
  for (const Kind& kind : kKinds) {
    const Bytes data = kind.make();
    if (data.empty()) {
      std::printf("%-16s skipped: nothing to take it from\n", kind.label);
      continue;
    }
    const fs::path sample = work / "sample";
    Save(sample, data);
    const Row gzip = Tool("gzip -6", "gzip", "-6", sample, work);
    const auto [seconds, packed] = GoodFile(sample, work);
    const double good = MBs(data.size(), seconds);
    std::printf("%-16s %7.1f %9.1f (%4.1f%%) %9.1f (%4.1f%%) %7.2f\n", kind.label,
                data.size() / 1e6, gzip.compressMBs, gzip.ratio, good, 100.0 * packed / data.size(),
                good / gzip.compressMBs);
    std::fflush(stdout);
  }
}

void WriteSamples(const fs::path& dir) {
  fs::create_directories(dir);
  for (const Kind& kind : kKinds) {
    const Bytes data = kind.make();
    if (!data.empty()) Save(dir / (std::string(kind.label) + ".sample"), data);
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::size_t limit = 0;
  fs::path samples;
  std::vector<fs::path> files;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--limit" && i + 1 < argc)
      limit = std::stoul(argv[++i]) << 20;
    else if (a == "--samples" && i + 1 < argc)
      samples = argv[++i];
    else if (a == "--help" || a == "-h")
      return std::printf("usage: bench_codecs [--limit MB] [--samples DIR] [FILE...]\n"), 0;
    else
      files.push_back(a);
  }

  if (!samples.empty()) {
    WriteSamples(samples);
    return 0;
  }
  const fs::path work = fs::temp_directory_path() / ("bench-codecs-" + std::to_string(::getpid()));
  fs::create_directories(work);
  if (files.empty()) {
    Summary(work);
    fs::remove_all(work);
    return 0;
  }

  for (const fs::path& file : files) {
    const Bytes data = Load(file, limit);
    if (data.empty()) Die(file.string() + " is empty");
    // The file tools and the outside programs work on exactly the bytes measured in memory.
    const fs::path sample = work / "sample";
    Save(sample, data);
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
