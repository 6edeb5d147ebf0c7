// Creation and extraction of a real tree (default /usr/include): the archive engine alone in the
// Fast and Good modes, the pck program on one worker and on one per core, and beside them on the
// same tree tar with gzip, pigz and zstd -T0, zip and 7z (the Debian packages pigz, zstd, zip,
// unzip, p7zip-full; a tool not installed is left out). Each time is also given as a ratio to
// pck -j 1 in the same mode. Prints figures; never fails on speed.
//
//   pack_bench [TREE] [RUNS]
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "pack/pack_lz.h"
#include "platform/file.h"

namespace fs = std::filesystem;

namespace {

double Seconds(const std::function<bool()>& run, bool& ok) {
  auto start = std::chrono::steady_clock::now();
  ok = run();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Best of several runs, with prepare() before each one outside the clock.
double Best(int runs, const std::function<void()>& prepare, const std::function<bool()>& run) {
  double best = 1e9;
  for (int i = 0; i < runs; ++i) {
    prepare();
    bool ok = false;
    double s = Seconds(run, ok);
    if (!ok) {
      std::fprintf(stderr, "pack_bench: a run failed\n");
      std::exit(1);
    }
    best = std::min(best, s);
  }
  return best;
}

bool Shell(const std::string& command) { return std::system(command.c_str()) == 0; }

std::string Quote(const std::string& s) { return "'" + s + "'"; }

bool Installed(const std::string& tool) { return Shell("command -v " + tool + " >/dev/null"); }

struct Timing {
  double create, extract;
};

// One line: the times, each also against base (pck -j 1 in the mode compared with), and the size.
void Row(const std::string& what, Timing t, Timing base, std::uintmax_t size, std::uintmax_t raw) {
  std::printf("%-26s %8.3f s %5.2fx %8.3f s %5.2fx %12ju  %5.1f %%\n", what.c_str(), t.create,
              t.create / base.create, t.extract, t.extract / base.extract, size,
              100.0 * static_cast<double>(size) / static_cast<double>(raw));
}

}  // namespace

int main(int argc, char** argv) {
  fs::path tree = argc > 1 ? argv[1] : "/usr/include";
  int runs = argc > 2 ? std::atoi(argv[2]) : 3;
  if (!fs::is_directory(tree) || runs < 1) {
    std::fprintf(stderr,
                 "usage: pack_bench [TREE] [RUNS]\n"
                 "  TREE: a directory to pack (default /usr/include); RUNS: best of (3)\n");
    return 2;
  }
  // A folder of its own: nothing that was there before is touched, and all of it goes at the end.
  std::string pattern = (fs::temp_directory_path() / "pack_bench.XXXXXX").string();
  if (!::mkdtemp(pattern.data())) {
    std::perror("pack_bench: no temporary folder");
    return 1;
  }
  static fs::path work;
  work = pattern;
  // Also when a run fails and the program ends from inside it.
  std::atexit([] {
    std::error_code ec;
    fs::remove_all(work, ec);
  });

  // Every directory of the tree as a mask line: the engine's own list searches one directory
  // per line.
  std::vector<std::string> items = {"*.*"};
  std::uintmax_t files = 0, bytes = 0;
  for (auto it = fs::recursive_directory_iterator(tree); it != fs::end(it); ++it) {
    if (it->is_symlink() && it->is_directory()) {
      it.disable_recursion_pending();  // a tree is packed as it lies, as pck does it
    } else if (it->is_directory()) {
      std::string rel = it->path().lexically_relative(tree).string();
      items.push_back(platform::WindowsPath(rel) + "\\*.*");
    } else if (it->is_regular_file()) {
      ++files, bytes += it->file_size();
    }
  }
  std::printf("tree %s: %ju files, %ju bytes; best of %d runs\n\n", tree.c_str(), files, bytes,
              runs);
  std::printf("%-26s %17s %17s %12s  %7s\n", "", "create  vs -j 1", "extract  vs -j 1", "archive",
              "size");

  std::string out = (work / "out").string();
  auto clean = [&] { fs::remove_all(out); };
  auto fresh = [&] {
    clean();
    fs::create_directories(out);
  };
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  const std::string pck = PCK_PROGRAM;
  Timing goodBase{};
  for (TCompressMode mode : {TCompressMode::Fast, TCompressMode::Good}) {
    const bool fast = mode == TCompressMode::Fast;
    std::string archive = (work / (fast ? "fast.pck" : "good.pck")).string();
    Timing engine;
    engine.create = Best(
        runs, [] {},
        [&] {
          TPackLz pack;
          pack.PackFileName = platform::WindowsPath(archive);
          pack.Directory = platform::WindowsPath(tree.string());
          pack.Items = items;
          pack.PathOption = TPathOption::poRelative;
          pack.CompressMode = mode;
          bool ok = pack.Create();
          if (!ok) std::fprintf(stderr, "%s\n", platform::NativePath(pack.ErrorMessage()).c_str());
          return ok;
        });
    engine.extract = Best(runs, clean, [&] {
      TPackLz pack;
      pack.PackFileName = platform::WindowsPath(archive);
      pack.Directory = platform::WindowsPath(out);
      bool ok = pack.Extract();
      if (!ok) std::fprintf(stderr, "%s\n", platform::NativePath(pack.ErrorMessage()).c_str());
      return ok;
    });
    std::uintmax_t engineSize = fs::file_size(archive);

    // The program on one worker and on one per core, in the same mode.
    std::vector<std::pair<unsigned, Timing>> jobs;
    for (unsigned j : {1u, cores}) {
      if (j == cores && cores == 1) break;
      std::string jn = " -j " + std::to_string(j);
      Timing t;
      t.create = Best(
          runs, [&] { fs::remove(archive); },
          [&] {
            return Shell(Quote(pck) + " create " + Quote(archive) + " -C " + Quote(tree.string()) +
                         " --mode " + (fast ? "fast" : "good") + jn + " >/dev/null");
          });
      t.extract = Best(runs, clean, [&] {
        return Shell(Quote(pck) + " extract " + Quote(archive) + " -C " + Quote(out) + jn);
      });
      jobs.emplace_back(j, t);
    }
    const Timing base = jobs.front().second;
    if (!fast) goodBase = base;
    const char* name = fast ? "Fast" : "Good";
    Row(std::string("engine (") + name + ")", engine, base, engineSize, bytes);
    for (const auto& [j, t] : jobs)
      Row("pck -j " + std::to_string(j) + " (" + name + ")", t, base, fs::file_size(archive),
          bytes);
  }

  // The others, against pck -j 1 in the Good mode, which compresses about as well as gzip.
  struct Other {
    std::string name, tool, file, create, extract;
  };
  const std::string src = Quote(tree.string()), dst = Quote(out);
  const std::string tgz = Quote((work / "tree.tgz").string()),
                    tzst = Quote((work / "tree.tzst").string());
  const std::string zip = Quote((work / "tree.zip").string()),
                    sz = Quote((work / "tree.7z").string());
  const std::vector<Other> others = {
      {"tar -czf / -xzf", "tar", "tree.tgz", "tar -czf " + tgz + " -C " + src + " .",
       "tar -xzf " + tgz + " -C " + dst},
      {"tar + pigz", "pigz", "tree.tgz", "tar -cf - -C " + src + " . | pigz > " + tgz,
       "pigz -dc " + tgz + " | tar -xf - -C " + dst},
      {"tar + zstd -T0", "zstd", "tree.tzst", "tar -cf - -C " + src + " . | zstd -q -T0 -o " + tzst,
       "zstd -dc " + tzst + " | tar -xf - -C " + dst},
      {"zip -r / unzip", "zip", "tree.zip", "cd " + src + " && zip -qr " + zip + " .",
       "unzip -qo " + zip + " -d " + dst},
      // With -l 7z follows links as pck does (some builds store them as links by default, and
      // then refuse to extract those leading out of the tree); a link that leads nowhere is a
      // warning (1).
      {"7z a / x", "7z", "tree.7z",
       "7z a -bd -l " + sz + " " + src + "/. >/dev/null 2>&1; [ $? -le 1 ]",
       "7z x -bd -y -o" + dst + " " + sz + " >/dev/null"},
  };
  for (const Other& o : others) {
    if (!Installed(o.tool) || (o.tool == "zip" && !Installed("unzip"))) {
      std::printf("%-26s (not installed)\n", o.name.c_str());
      continue;
    }
    fs::path file = work / o.file;
    Timing t;
    t.create = Best(
        runs, [&] { fs::remove(file); }, [&] { return Shell(o.create); });
    t.extract = Best(runs, fresh, [&] { return Shell(o.extract); });
    Row(o.name, t, goodBase, fs::file_size(file), bytes);
  }

  return 0;
}
