// The floor an extraction is measured against: creates the files of a tree with nothing but
// CreateFile, WriteFile, SetFileTime and CloseHandle (and CreateDirectory for its folders).
//
//   bare_create SOURCE TARGET    (Windows paths; TARGET must not exist)
//
// The whole tree is read into memory first; only the creation is timed, and the seconds it took
// are printed on one line. Names that differ only in case are one file here, as in an extraction.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Item {
  std::string path;  // relative, with backslashes
  bool directory = false;
  std::string data;
  FILETIME time{};
};

void Collect(const std::string& root, const std::string& rel, std::vector<Item>& items) {
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((root + rel + "*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    std::string name = fd.cFileName;
    if (name == "." || name == "..") continue;
    Item item;
    item.path = rel + name;
    item.time = fd.ftLastWriteTime;
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      item.directory = true;
      items.push_back(item);
      Collect(root, item.path + "\\", items);
      continue;
    }
    HANDLE f = CreateFileA((root + item.path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) continue;
    item.data.resize(fd.nFileSizeLow);
    DWORD got = 0;
    if (!item.data.empty()) ReadFile(f, item.data.data(), fd.nFileSizeLow, &got, nullptr);
    CloseHandle(f);
    item.data.resize(got);
    items.push_back(std::move(item));
  } while (FindNextFileA(h, &fd));
  FindClose(h);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: bare_create SOURCE TARGET\n");
    return 2;
  }
  std::string source = argv[1], target = argv[2];
  if (source.back() != '\\') source += '\\';
  if (target.back() != '\\') target += '\\';
  if (GetFileAttributesA(target.c_str()) != INVALID_FILE_ATTRIBUTES) {
    std::fprintf(stderr, "bare_create: %s exists\n", target.c_str());
    return 2;
  }
  std::vector<Item> items;
  Collect(source, "", items);

  LARGE_INTEGER freq, start, end;
  QueryPerformanceFrequency(&freq);
  QueryPerformanceCounter(&start);
  CreateDirectoryA(target.c_str(), nullptr);
  std::size_t files = 0;
  for (const Item& item : items) {
    std::string path = target + item.path;
    if (item.directory) {
      CreateDirectoryA(path.c_str(), nullptr);
      continue;
    }
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) {
      std::fprintf(stderr, "bare_create: cannot create %s\n", path.c_str());
      return 1;
    }
    DWORD put = 0;
    if (!item.data.empty())
      WriteFile(f, item.data.data(), static_cast<DWORD>(item.data.size()), &put, nullptr);
    SetFileTime(f, nullptr, nullptr, &item.time);
    CloseHandle(f);
    ++files;
  }
  QueryPerformanceCounter(&end);
  std::printf("%.3f s for %zu files\n",
              static_cast<double>(end.QuadPart - start.QuadPart) / freq.QuadPart, files);
  return 0;
}
