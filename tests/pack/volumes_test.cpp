// Archives spread over several disks. A "floppy drive" is a folder: with PACK_FLOPPY set to a
// drive root the system really reports as removable (Wine presents a folder as A:), the real
// calls answer; otherwise a scratch folder is presented as removable through the drive-type
// query. Changing the disk moves the files in the drive folder to a shelf and brings in those
// of the wanted disk, so one path shows different volumes over time, as on a real drive.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <optional>

#include "pack/pack.h"
#include "pack/paths.h"
#include "platform/drive.h"
#include "platform/errors.h"
#include "platform/fileinfo.h"
#include "tests/pack/pack_test_util.h"
#include "tests/support/doubles.h"

namespace {

using namespace packtest;
using Box = testsupport::ScriptedUi::Box;

const char kPrompt2[] = "Por favor, insira o pr\xF3ximo disco [2]";

class Floppy {
 public:
  explicit Floppy(const std::string& scratch) : shelf_(scratch + "SHELF\\") {
    const char* env = std::getenv("PACK_FLOPPY");
    if (env && *env) {
      root_ = env;
      real_ = true;
      EXPECT_EQ(platform::DriveTypeOf(root_), platform::DriveType::Removable) << root_;
    } else {
      root_ = scratch + "DRIVE\\";
      platform::ForceDirectories(root_);
      removable_.emplace(platform::SetDriveTypeQuery(
          [](const std::string&) { return platform::DriveType::Removable; }));
    }
    Clear(root_);
  }
  ~Floppy() { Clear(root_); }

  const std::string& Root() const { return root_; }
  bool Real() const { return real_; }
  int Current() const { return current_; }

  // Takes the disk in the drive out to the shelf and puts disk n in (a blank one when new).
  void Insert(int n) {
    if (n == current_) return;
    Move(root_, Shelf(current_));
    Move(Shelf(n), root_);
    current_ = n;
  }
  // The file of disk n, wherever the disk is.
  std::string PathOn(int n, const std::string& name) const {
    return (n == current_ ? root_ : Shelf(n)) + name;
  }

 private:
  std::string Shelf(int n) const { return shelf_ + "DISK" + std::to_string(n) + "\\"; }
  static void Clear(const std::string& dir) {
    for (const auto& f : platform::FindFiles(dir + "*", platform::faFiles)) {
      platform::FileSetAttr(dir + f.Name, 0);
      platform::RemoveFile(dir + f.Name);
    }
  }
  // Copy and delete, as the drive and the shelf may be different drives.
  static void Move(const std::string& from, const std::string& to) {
    platform::ForceDirectories(to);
    for (const auto& f : platform::FindFiles(from + "*", platform::faFiles)) {
      WriteFile(to + f.Name, ReadFile(from + f.Name));
      platform::RemoveFile(from + f.Name);
    }
  }

  std::string root_, shelf_;
  bool real_ = false;
  int current_ = 1;
  std::optional<platform::ServiceGuard<platform::DriveTypeQuery>> removable_;
};

class VolumesTest : public PackTest {
 protected:
  void SetUp() override {
    PackTest::SetUp();
    floppy = std::make_unique<Floppy>(dir);
    ui.Answer = [](const Box&) { return platform::mrCancel; };
    src = dir + "SRC\\";
    WriteFile(src + "A.TXT", packtest::SampleBytes(3000, 1));
    WriteFile(src + "B.BAK", packtest::SampleBytes(5000, 2));
    WriteFile(src + "C.TXT", packtest::SampleBytes(4000, 3));
    for (auto* p : {&writer, &reader}) {
      p->PackFileName = floppy->Root() + "DATA.PCK";
      p->OnError = [this](TObject*, const Exception& e, const std::string& name) {
        errors.push_back(name + ": " + e.Message());
      };
    }
    writer.Directory = dir + "SRC";
    writer.Items = {"A.TXT", "B.BAK", "C.TXT"};  // in this order, whatever the directory's
    writer.PathOption = TPathOption::poRelative;
    reader.Directory = dir + "OUT";
  }
  void TearDown() override {
    floppy.reset();
    PackTest::TearDown();
  }

  // Writes the sources over as many disks as VolumeSize asks, each new disk blank.
  int WriteDisks(std::int64_t volumeSize) {
    writer.VolumeSize = volumeSize;
    ui.Answer = [this](const Box&) {
      floppy->Insert(floppy->Current() + 1);
      return platform::mrOk;
    };
    EXPECT_TRUE(writer.Create()) << writer.ErrorMessage();
    ui.Boxes.clear();
    return floppy->Current();
  }
  void ExpectExtracted(const V& names) {
    for (const auto& n : names) EXPECT_EQ(ReadFile(dir + "OUT\\" + n), ReadFile(src + n)) << n;
  }

  std::unique_ptr<Floppy> floppy;
  testsupport::ScriptedUi ui;
  platform::ServiceGuard<platform::UserInterface*> current = platform::SetUi(&ui);
  std::string src;
  TCustomPack writer, reader;
  V errors;
};

TEST_F(VolumesTest, TwoDisksWrittenAndReadWithPrompts) {
  ASSERT_EQ(WriteDisks(8000), 2);
  // Volume 2 begins with its own header: same signature and stamp, number 2.
  std::string v2 = ReadFile(floppy->PathOn(2, "DATA.PCK"));
  std::string v1 = ReadFile(floppy->PathOn(1, "DATA.PCK"));
  EXPECT_EQ(v1.size(), 8000u);
  EXPECT_EQ(v2.substr(0, 13), v1.substr(0, 13));
  EXPECT_EQ(v2.substr(13, 2), std::string("\x02\x00", 2));

  floppy->Insert(1);
  int prompts = 0;
  ui.Answer = [&](const Box&) {
    // First OK with disk 1 still in the drive: the prompt must come again.
    if (++prompts == 2) floppy->Insert(2);
    return platform::mrOk;
  };
  ASSERT_TRUE(reader.Extract()) << reader.ErrorMessage();
  EXPECT_EQ(ui.Texts(), (V{kPrompt2, kPrompt2}));
  ExpectExtracted({"A.TXT", "B.BAK", "C.TXT"});
  EXPECT_EQ(reader.GetVolume(), 2);
  EXPECT_TRUE(errors.empty());
}

TEST_F(VolumesTest, SkippingAcrossDisks) {
  ASSERT_EQ(WriteDisks(5000), 3);
  floppy->Insert(1);
  ui.Answer = [&](const Box&) {
    floppy->Insert(floppy->Current() + 1);
    return platform::mrOk;
  };
  reader.Excludes = {"*.BAK"};
  ASSERT_TRUE(reader.Extract()) << reader.ErrorMessage();
  ExpectExtracted({"A.TXT", "C.TXT"});
  EXPECT_FALSE(packtest::Exists(dir + "OUT\\B.BAK"));
  EXPECT_EQ(reader.List, (V{"A.TXT", "B.BAK", "C.TXT"}));
  // Listing walks every disk as well.
  floppy->Insert(1);
  ASSERT_TRUE(reader.Process(TCustomPack::kModeList)) << reader.ErrorMessage();
  EXPECT_EQ(reader.GetVolume(), 3);
}

TEST_F(VolumesTest, ListingPeeksAtTheFirstBytesAlsoAcrossADiskChange) {
  ASSERT_EQ(WriteDisks(5000), 3);  // B.BAK's data runs from disk 1 into disk 2
  floppy->Insert(1);
  ui.Answer = [&](const Box&) {
    floppy->Insert(floppy->Current() + 1);
    return platform::mrOk;
  };
  reader.PeekSize = 4000;
  V peeked;
  reader.OnPeek = [&](TObject*, const std::vector<std::uint8_t>& head) {
    peeked.emplace_back(head.begin(), head.end());
  };
  ASSERT_TRUE(reader.Process(TCustomPack::kModeList)) << reader.ErrorMessage();
  EXPECT_EQ(reader.GetVolume(), 3);
  EXPECT_EQ(reader.List, (V{"A.TXT", "B.BAK", "C.TXT"}));
  ASSERT_EQ(peeked.size(), 3u);
  EXPECT_EQ(peeked[0], ReadFile(src + "A.TXT"));  // shorter than PeekSize: all of it
  EXPECT_EQ(peeked[1], ReadFile(src + "B.BAK").substr(0, 4000));
  EXPECT_EQ(peeked[2], ReadFile(src + "C.TXT").substr(0, 4000));
  EXPECT_FALSE(packtest::Exists(dir + "OUT\\A.TXT"));  // listing writes nothing
}

TEST_F(VolumesTest, DiskLeftInTheDriveIsNotOverwritten) {
  writer.VolumeSize = 8000;
  int prompts = 0;
  ui.Answer = [&](const Box&) {
    if (++prompts == 2) floppy->Insert(2);  // the first OK still has disk 1 in the drive
    return platform::mrOk;
  };
  ASSERT_TRUE(writer.Create()) << writer.ErrorMessage();
  EXPECT_EQ(ui.Texts(), (V{kPrompt2, kPrompt2}));
  floppy->Insert(1);
  ui.Answer = [&](const Box&) {
    floppy->Insert(2);
    return platform::mrOk;
  };
  ASSERT_TRUE(reader.Extract()) << reader.ErrorMessage();
  ExpectExtracted({"A.TXT", "B.BAK", "C.TXT"});
}

TEST_F(VolumesTest, WrongDisksAreRefusedUntilTheRightOneComes) {
  ASSERT_EQ(WriteDisks(8000), 2);
  // A disk of another archive with the right volume number.
  packtest::ArchiveBuilder other;
  other.Add("X", std::string(10000, 'x'));
  std::string foreign = other.Split({6000})[1];
  std::string second = ReadFile(floppy->PathOn(2, "DATA.PCK"));
  floppy->Insert(1);
  int prompts = 0;
  ui.Answer = [&](const Box&) {
    ++prompts;
    floppy->Insert(2);
    if (prompts == 1) platform::RemoveFile(floppy->Root() + "DATA.PCK");  // empty disk
    if (prompts == 2) WriteFile(floppy->Root() + "DATA.PCK", foreign);    // other archive
    if (prompts == 3) WriteFile(floppy->Root() + "DATA.PCK", second);     // the right one
    return platform::mrOk;
  };
  ASSERT_TRUE(reader.Extract()) << reader.ErrorMessage();
  EXPECT_EQ(prompts, 3);
  ExpectExtracted({"A.TXT", "B.BAK", "C.TXT"});
}

TEST_F(VolumesTest, CancelAtThePromptStopsWithoutAShortenedFile) {
  ASSERT_EQ(WriteDisks(8000), 2);
  floppy->Insert(1);
  ui.Answer = [](const Box&) { return platform::mrCancel; };
  EXPECT_FALSE(reader.Extract());
  EXPECT_EQ(ui.Texts(), (V{kPrompt2}));
  ASSERT_EQ(errors.size(), 1u);  // the entry that the cancel ended
  EXPECT_TRUE(packtest::Exists(dir + "OUT\\A.TXT"));
  EXPECT_FALSE(packtest::Exists(dir + "OUT\\B.BAK"));
}

TEST_F(VolumesTest, NoPromptOnAHardDisk) {
  ASSERT_EQ(WriteDisks(8000), 2);
  WriteFile(dir + "HD\\DATA.PCK", ReadFile(floppy->PathOn(1, "DATA.PCK")));
  std::optional<platform::ServiceGuard<platform::DriveTypeQuery>> fixed;
  if (!floppy->Real())
    fixed.emplace(
        platform::SetDriveTypeQuery([](const std::string&) { return platform::DriveType::Fixed; }));
  reader.PackFileName = dir + "HD\\DATA.PCK";
  EXPECT_FALSE(reader.Extract());
  EXPECT_TRUE(ui.Boxes.empty());
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find("Erro lendo dados"), std::string::npos) << errors[0];
  // Writing onto a hard disk cannot ask for a disk either.
  writer.PackFileName = dir + "HD\\NEW.PCK";
  writer.VolumeSize = 8000;
  EXPECT_FALSE(writer.Create());
  EXPECT_TRUE(ui.Boxes.empty());
  EXPECT_FALSE(packtest::Exists(dir + "HD\\NEW.PCK"));
}

TEST_F(VolumesTest, CdRomIsSwappableForReadingOnly) {
  ASSERT_EQ(WriteDisks(8000), 2);
  floppy->Insert(1);
  auto cdRom =
      platform::SetDriveTypeQuery([](const std::string&) { return platform::DriveType::CdRom; });
  ui.Answer = [&](const Box&) {
    floppy->Insert(2);
    return platform::mrOk;
  };
  ASSERT_TRUE(reader.Extract()) << reader.ErrorMessage();
  EXPECT_EQ(ui.Texts(), (V{kPrompt2}));
  ui.Boxes.clear();
  floppy->Insert(1);
  writer.VolumeSize = 8000;
  EXPECT_FALSE(writer.Create());
  EXPECT_TRUE(ui.Boxes.empty());
}

// The cuts obey the format: records and headers whole within a volume, a volume ends only
// inside data and never exactly where a non-last entry's data ends. Small volumes, entries
// with no data in a row, and the checksum block make every rule count.
TEST_F(VolumesTest, CutsFollowTheFormatRules) {
  packtest::RemoveTree(src);
  V names;
  for (int i = 0; i < 40; ++i) {
    std::string name = "F";
    name += std::to_string(i) + (i % 3 == 0 ? ".E" : ".TXT");
    names.push_back(name);
    WriteFile(src + name, i % 3 == 0 ? std::string() : packtest::SampleBytes(7 * i, i));
  }
  writer.Checksums = true;
  writer.Items = names;         // in this order
  int disks = WriteDisks(250);  // the checksum block of 40 entries needs 176 bytes
  ASSERT_GT(disks, 5);

  // Walk the stream volume by volume, as a reader that knows where every volume ends.
  std::vector<std::string> volumes;
  for (int n = 1; n <= disks; ++n) volumes.push_back(ReadFile(floppy->PathOn(n, "DATA.PCK")));
  for (const auto& v : volumes) EXPECT_LE(v.size(), 250u);
  std::size_t vol = 0, pos = 26;  // after the archive header of volume 1
  auto u32 = [&](std::size_t at) {
    const auto* p = reinterpret_cast<const unsigned char*>(volumes[vol].data() + at);
    return static_cast<std::uint32_t>(p[0] | p[1] << 8 | p[2] << 16 | p[3] << 24);
  };
  for (std::size_t i = 0; i < names.size(); ++i) {
    ASSERT_LT(pos, volumes[vol].size()) << "a volume ends after entry " << i - 1 << "'s data";
    ASSERT_LE(pos + 11, volumes[vol].size()) << "record " << i << " cut";
    std::uint32_t size = u32(pos);
    std::size_t nameLength = static_cast<unsigned char>(volumes[vol][pos + 10]);
    ASSERT_LE(pos + 11 + nameLength, volumes[vol].size()) << "name " << i << " cut";
    EXPECT_EQ(volumes[vol].substr(pos + 11, nameLength), names[i]);
    pos += 11 + nameLength;
    for (std::size_t left = size; left > 0;) {
      if (pos == volumes[vol].size()) {
        ++vol;
        pos = 15;
        ASSERT_LT(vol, volumes.size());
      }
      std::size_t n = std::min(left, volumes[vol].size() - pos);
      pos += n;
      left -= n;
    }
  }
  EXPECT_EQ(vol, volumes.size() - 1);
  // The checksum block ends the last volume, found by its end.
  EXPECT_EQ(pos + 16 + 4 * names.size(), volumes[vol].size());
  EXPECT_EQ(volumes[vol].substr(volumes[vol].size() - 8, 4), "PCKC");

  floppy->Insert(1);
  ui.Answer = [&](const Box&) {
    floppy->Insert(floppy->Current() + 1);
    return platform::mrOk;
  };
  ASSERT_TRUE(reader.Extract()) << reader.ErrorMessage();
  ExpectExtracted(names);
}

TEST_F(VolumesTest, VolumeTooSmallFailsInsteadOfAskingForever) {
  writer.VolumeSize = 40;  // not even the first record fits after the headers
  int prompts = 0;
  ui.Answer = [&](const Box&) {
    floppy->Insert(floppy->Current() + 1);
    return ++prompts < 50 ? platform::mrOk : platform::mrCancel;
  };
  EXPECT_FALSE(writer.Create());
  EXPECT_EQ(prompts, 0);
  EXPECT_EQ(writer.ErrorMessage(), "Tamanho de volume insuficiente");
  // Empty entries in a row must share a volume with the end of the data before them; when
  // even a new volume cannot hold them, asking for more disks would never end.
  for (int i = 1; i <= 5; ++i) WriteFile(src + "E" + std::to_string(i), "");
  WriteFile(src + "SMALL", std::string(100, 's'));
  writer.Items = {"SMALL", "E*"};
  writer.VolumeSize = 60;
  EXPECT_FALSE(writer.Create());
  EXPECT_GT(prompts, 0);
  EXPECT_LT(prompts, 50);
  EXPECT_EQ(writer.ErrorMessage(), "Tamanho de volume insuficiente");
}

}  // namespace
