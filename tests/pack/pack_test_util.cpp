#include "tests/pack/pack_test_util.h"

#include <cstring>
#include <filesystem>
#include <random>

#include "pack/format.h"
#include "platform/file.h"
#include "platform/fileinfo.h"
#include "platform/tempfile.h"

namespace packtest {

void RemoveTree(const std::string& dir) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path root(platform::NativePath(dir));
  for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::end(it);
       it.increment(ec))
    fs::permissions(it->path(), fs::perms::owner_write, fs::perm_options::add, ec);
  fs::remove_all(root, ec);
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::size_t cut = path.find_last_of('\\');
  if (cut != std::string::npos) platform::ForceDirectories(path.substr(0, cut + 1));
  platform::File f;
  ASSERT_TRUE(f.Open(path, platform::OpenMode::Create)) << path;
  ASSERT_EQ(f.Write(bytes.data(), bytes.size()), static_cast<std::int64_t>(bytes.size()));
  ASSERT_TRUE(f.Close());
}

std::string ReadFile(const std::string& path) {
  platform::File f;
  if (!f.Open(path, platform::OpenMode::Read)) {
    ADD_FAILURE() << "cannot read " << path;
    return std::string();
  }
  std::string bytes(static_cast<std::size_t>(f.Size()), '\0');
  EXPECT_EQ(f.Read(bytes.data(), bytes.size()), static_cast<std::int64_t>(bytes.size()));
  return bytes;
}

bool Exists(const std::string& path) { return platform::FileExists(path); }

std::vector<std::string> PckTempFiles() {
  std::vector<std::string> names;
  for (const auto& f :
       platform::FindFiles(platform::TempDirectory() + "PCK*.TMP", platform::faFiles))
    names.push_back(f.Name);
  return names;
}

std::string SampleBytes(std::size_t size, unsigned seed) {
  static const char* words[] = {"archive ", "volume ", "disk ", "entry ", "header ",
                                "\r\n",     "TAVO ",   "data ", "0123 ",  "pr\xF3ximo "};
  std::mt19937 rng(seed);
  std::string s;
  while (s.size() < size) {
    if (rng() % 8 == 0)
      s += static_cast<char>(rng());
    else
      s += words[rng() % 10];
  }
  s.resize(size);
  return s;
}

namespace {

void U16(std::string& s, std::uint16_t v) {
  s += static_cast<char>(v & 0xFF);
  s += static_cast<char>(v >> 8);
}

void U32(std::string& s, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
}

void Str(std::string& s, const std::string& text) {
  s += static_cast<char>(text.size());
  s += text;
}

}  // namespace

std::string ArchiveBuilder::VolumeHeader(std::uint16_t volume) const {
  std::string s = version == 1 ? "PCK10" : "PCK11";
  char stampBytes[8];
  std::memcpy(stampBytes, &stamp, 8);  // the test hosts are little-endian
  s.append(stampBytes, 8);
  U16(s, volume);
  return s;
}

std::string ArchiveBuilder::Build() const {
  std::string s = VolumeHeader(1);
  if (version == 1) {
    U16(s, static_cast<std::uint16_t>(raw.size()));
    s += raw;
  } else {
    U32(s, static_cast<std::uint32_t>(fileCount >= 0 ? fileCount : std::int64_t(items.size())));
    U32(s, static_cast<std::uint32_t>(reserved));
    std::string inverted = password;
    for (char& c : inverted) c = static_cast<char>(c ^ 0xFF);
    Str(s, inverted);
    U16(s, static_cast<std::uint16_t>(header.size()));
    for (const auto& line : header) Str(s, line);
  }
  for (const Item& item : items) {
    U32(s, static_cast<std::uint32_t>(item.size.value_or(std::int64_t(item.data.size()))));
    U16(s, item.attr);
    U32(s, static_cast<std::uint32_t>(item.time));
    Str(s, item.name);
    s += item.data;
  }
  return s;
}

std::vector<std::string> ArchiveBuilder::Split(const std::vector<std::size_t>& cuts) const {
  std::string stream = Build();
  std::vector<std::string> volumes;
  std::size_t from = 0;
  for (std::size_t i = 0; i <= cuts.size(); ++i) {
    std::size_t to = i < cuts.size() ? cuts[i] : stream.size();
    std::string piece = stream.substr(from, to - from);
    volumes.push_back(i == 0 ? piece : VolumeHeader(static_cast<std::uint16_t>(i + 1)) + piece);
    from = to;
  }
  return volumes;
}

void PackTest::SetUp() {
  scratch_.emplace("packtest-");
  dir = scratch_->Path() + "\\";
}

void PackTest::TearDown() { scratch_.reset(); }

}  // namespace packtest
