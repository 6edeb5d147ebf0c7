// Creation and extraction of a real tree (default /usr/include) in the Fast and Good modes,
// beside tar with gzip and zip on the same tree. Prints figures; never fails on speed.
//
//   pack_bench [TREE] [RUNS]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
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

void Row(const char* what, double create, double extract, std::uintmax_t size, std::uintmax_t raw) {
  std::printf("%-18s %9.3f s %9.3f s %12ju  %5.1f %%\n", what, create, extract, size,
              100.0 * static_cast<double>(size) / static_cast<double>(raw));
}

}  // namespace

int main(int argc, char** argv) {
  fs::path tree = argc > 1 ? argv[1] : "/usr/include";
  int runs = argc > 2 ? std::atoi(argv[2]) : 3;
  if (!fs::is_directory(tree) || runs < 1) {
    std::fprintf(stderr, "usage: pack_bench [TREE] [RUNS]\n"
                         "  TREE: a directory to pack (default /usr/include); RUNS: best of (3)\n");
    return 2;
  }
  fs::path work = fs::temp_directory_path() / ("pack_bench." + std::to_string(::getpid()));
  fs::create_directories(work);

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
  std::printf("%-18s %11s %11s %12s  %7s\n", "", "create", "extract", "archive", "size");

  std::string out = (work / "out").string();
  auto clean = [&] { fs::remove_all(out); };
  for (TCompressMode mode : {TCompressMode::Fast, TCompressMode::Good}) {
    std::string archive = (work / (mode == TCompressMode::Fast ? "fast.pck" : "good.pck")).string();
    double create = Best(runs, [] {}, [&] {
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
    double extract = Best(runs, clean, [&] {
      TPackLz pack;
      pack.PackFileName = platform::WindowsPath(archive);
      pack.Directory = platform::WindowsPath(out);
      bool ok = pack.Extract();
      if (!ok) std::fprintf(stderr, "%s\n", platform::NativePath(pack.ErrorMessage()).c_str());
      return ok;
    });
    Row(mode == TCompressMode::Fast ? "pck (Fast)" : "pck (Good)", create, extract,
        fs::file_size(archive), bytes);
  }

  std::string tgz = (work / "tree.tgz").string();
  double tarCreate = Best(runs, [] {}, [&] {
    return Shell("tar -czf " + Quote(tgz) + " -C " + Quote(tree.string()) + " .");
  });
  double tarExtract = Best(runs, [&] { clean(); fs::create_directories(out); }, [&] {
    return Shell("tar -xzf " + Quote(tgz) + " -C " + Quote(out));
  });
  Row("tar -czf/-xzf", tarCreate, tarExtract, fs::file_size(tgz), bytes);

  std::string zip = (work / "tree.zip").string();
  double zipCreate = Best(runs, [&] { fs::remove(zip); }, [&] {
    return Shell("cd " + Quote(tree.string()) + " && zip -qr " + Quote(zip) + " .");
  });
  double zipExtract = Best(runs, clean, [&] {
    return Shell("unzip -qo " + Quote(zip) + " -d " + Quote(out));
  });
  Row("zip/unzip", zipCreate, zipExtract, fs::file_size(zip), bytes);

  fs::remove_all(work);
  return 0;
}
