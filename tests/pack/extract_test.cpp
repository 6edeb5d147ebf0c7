// Reading archives with the base engine, which stores bytes unchanged: selection, password,
// events, cancel, and what damaged or hostile archives do.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "pack/format.h"
#include "pack/pack.h"
#include "pack/paths.h"
#include "platform/drive.h"
#include "platform/errors.h"
#include "platform/fileinfo.h"
#include "tests/pack/pack_test_util.h"

namespace {

using namespace packtest;

class ExtractTest : public PackTest {
 protected:
  void SetUp() override {
    PackTest::SetUp();
    out = dir + "OUT";
    pack.PackFileName = dir + "DATA.PCK";
    pack.Directory = out;
    pack.OnError = [this](TObject*, const Exception& e, const std::string& name) {
      errors.push_back(name + ": " + e.Message());
    };
  }
  void Write(const ArchiveBuilder& b) { WriteFile(pack.PackFileName, b.Build()); }
  // The files A.TXT and B.TXT stored by the engine itself, with checksums and these header
  // lines.
  void WriteChecksummed(const V& header = {}) {
    WriteFile(dir + "SRC\\A.TXT", "first file");
    WriteFile(dir + "SRC\\B.TXT", "second file");
    TCustomPack writer;
    writer.Directory = dir + "SRC";
    writer.Items = {"*.*"};
    writer.PackFileName = pack.PackFileName;
    writer.Checksums = true;
    writer.Header = header;
    ASSERT_TRUE(writer.Create()) << writer.ErrorMessage();
  }
  bool Extracted(const std::string& name) { return packtest::Exists(ConcatPath(out, name)); }

  std::string out;
  TCustomPack pack;
  V errors;
};

TEST_F(ExtractTest, EveryEntryWithItsDataTimeAndAttributes) {
  ArchiveBuilder b;
  b.Add("A.TXT", "abc").Add("SUB\\DEEP\\B.BIN", std::string(20000, '\x7F')).Add("EMPTY", "");
  b.items[0].attr = platform::faReadOnly | platform::faArchive;
  Write(b);
  ASSERT_TRUE(pack.Extract()) << pack.ErrorMessage();
  EXPECT_EQ(ReadFile(out + "\\A.TXT"), "abc");
  EXPECT_EQ(ReadFile(out + "\\SUB\\DEEP\\B.BIN"), std::string(20000, '\x7F'));
  EXPECT_EQ(ReadFile(out + "\\EMPTY"), "");
  EXPECT_EQ(platform::FileAge(out + "\\A.TXT"), packtest::kTime);
  EXPECT_TRUE(platform::FileGetAttr(out + "\\A.TXT") & platform::faReadOnly);
  EXPECT_FALSE(platform::FileGetAttr(out + "\\EMPTY") & platform::faReadOnly);
  EXPECT_EQ(pack.List, (V{"A.TXT", "SUB\\DEEP\\B.BIN", "EMPTY"}));
  EXPECT_EQ(pack.GetFileCount(), 3);
  EXPECT_TRUE(errors.empty());
  // Again on the same engine, over the read-only file the first run left.
  ASSERT_TRUE(pack.Extract()) << pack.ErrorMessage();
  EXPECT_EQ(pack.GetFileCount(), 3);
}

TEST_F(ExtractTest, BlockBoundaries) {
  for (std::size_t size : {8191u, 8192u, 8193u, 16384u}) {
    ArchiveBuilder b;
    b.Add("F", packtest::SampleBytes(size, static_cast<unsigned>(size))).Add("G", "x");
    Write(b);
    ASSERT_TRUE(pack.Extract()) << size;
    EXPECT_EQ(ReadFile(out + "\\F"), b.items[0].data) << size;
    EXPECT_EQ(ReadFile(out + "\\G"), "x") << size;
  }
}

TEST_F(ExtractTest, EventOrder) {
  ArchiveBuilder b;
  b.Add("A", "1").Add("B", "2");
  Write(b);
  V events;
  std::vector<std::int32_t> percents;
  pack.OnProgress = [&](TObject* s, const std::string& name, std::int32_t pct, bool&) {
    EXPECT_EQ(s, &pack);
    events.push_back("progress(" + name + ")");
    percents.push_back(pct);
  };
  pack.OnPassword = [&](TObject*, std::string&) { events.push_back("password"); };
  pack.OnReadHeader = [&](TObject*) { events.push_back("readheader"); };
  pack.OnList = [&](TObject*, const std::string& n, std::int32_t, std::uint16_t, std::int32_t) {
    events.push_back("list(" + n + ")");
  };
  pack.OnOpen = [&](TObject*, std::string& n) {
    events.push_back("open(" + ExtractFileName(n) + ")");
  };
  pack.OnClose = [&](TObject*, std::string& n) {
    events.push_back("close(" + ExtractFileName(n) + ")");
  };
  pack.OnPrepared = [&](TObject*) { events.push_back("prepared"); };
  ASSERT_TRUE(pack.Extract());
  EXPECT_EQ(events,
            (V{"progress()", "password", "readheader", "progress()", "list(A)", "progress(A)",
               "open(A)", "close(A)", "progress(A)", "list(B)", "progress(B)", "open(B)",
               "close(B)", "progress(B)", "prepared", "progress()"}));
  EXPECT_EQ(percents.front(), 0);
  EXPECT_EQ(percents.back(), 100);
  EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
  EXPECT_EQ(percents[percents.size() - 2], 100);  // the last entry ends the file
}

TEST_F(ExtractTest, ItemsAndExcludesSelectEntries) {
  ArchiveBuilder b;
  b.Add("A.TXT", "a")
      .Add("SUB\\B.TXT", "b")
      .Add("C.DOC", "c")
      .Add("README", "r")
      .Add("OLD.BAK", "o");
  Write(b);
  pack.Items = {"*.TXT"};
  ASSERT_TRUE(pack.Extract());
  EXPECT_TRUE(Extracted("A.TXT"));
  EXPECT_TRUE(Extracted("SUB\\B.TXT"));
  EXPECT_FALSE(Extracted("C.DOC"));
  EXPECT_EQ(pack.List.size(), 5u);  // every entry read is listed, extracted or not
  packtest::RemoveTree(out + "\\");

  pack.Items = {"*"};
  ASSERT_TRUE(pack.Extract());
  EXPECT_TRUE(Extracted("README"));
  EXPECT_FALSE(Extracted("A.TXT"));
  packtest::RemoveTree(out + "\\");

  pack.Items.clear();
  pack.Excludes = {"*.BAK"};
  ASSERT_TRUE(pack.Extract());
  EXPECT_TRUE(Extracted("C.DOC"));
  EXPECT_TRUE(Extracted("README"));
  EXPECT_FALSE(Extracted("OLD.BAK"));
}

TEST_F(ExtractTest, ListingReadsHeaderAndNamesWithoutWriting) {
  ArchiveBuilder b;
  b.header = {"TAVO", "", std::string(255, 'h')};
  b.reserved = 77;
  b.Add("A", "1").Add("B", std::string(5000, 'b'));
  Write(b);
  std::vector<std::int32_t> sizes;
  pack.OnList = [&](TObject*, const std::string&, std::int32_t size, std::uint16_t attr,
                    std::int32_t time) {
    sizes.push_back(size);
    EXPECT_EQ(attr, 0x20);
    EXPECT_EQ(time, packtest::kTime);
  };
  ASSERT_TRUE(pack.Process(TCustomPack::kModeList));
  EXPECT_EQ(pack.List, (V{"A", "B"}));
  EXPECT_EQ(sizes, (std::vector<std::int32_t>{1, 5000}));
  EXPECT_EQ(pack.Header, b.header);
  EXPECT_EQ(pack.GetReserved(), 77);
  EXPECT_EQ(pack.GetVersion(), 2);
  EXPECT_FALSE(platform::DirectoryExists(out));
  // Any other mode only reads the header.
  ASSERT_TRUE(pack.Process(1));
  EXPECT_TRUE(pack.List.empty());
  EXPECT_EQ(pack.Header, b.header);
}

TEST_F(ExtractTest, VersionOneRunsToTheEndOfTheFile) {
  ArchiveBuilder b;
  b.version = 1;
  b.raw = "opaque\0block";
  Write(b);
  ASSERT_TRUE(pack.Process(TCustomPack::kModeList));
  EXPECT_TRUE(pack.List.empty());
  b.Add("A", "1").Add("B", "22");
  Write(b);
  ASSERT_TRUE(pack.Extract());
  EXPECT_EQ(pack.List, (V{"A", "B"}));
  EXPECT_EQ(pack.GetVersion(), 1);
  EXPECT_EQ(std::string(pack.GetRawHeader().begin(), pack.GetRawHeader().end()), b.raw);
  EXPECT_TRUE(pack.Header.empty());
}

TEST_F(ExtractTest, PasswordMustMatchExactly) {
  ArchiveBuilder b;
  b.password = "abc";
  b.Add("A", "1");
  Write(b);
  int listed = 0;
  pack.OnList = [&](TObject*, const std::string&, std::int32_t, std::uint16_t, std::int32_t) {
    ++listed;
  };
  EXPECT_FALSE(pack.Extract());
  EXPECT_EQ(pack.ErrorMessage(), "Senha inv\xE1lida");
  pack.Password = "ABC";
  EXPECT_FALSE(pack.Extract());
  EXPECT_EQ(listed, 0);
  EXPECT_TRUE(errors.empty());  // a wrong password is no entry's error
  pack.Password.clear();
  pack.OnPassword = [](TObject*, std::string& p) { p = "abc"; };
  EXPECT_TRUE(pack.Extract());
  EXPECT_EQ(pack.GetStoredPassword(), "abc");
  EXPECT_EQ(listed, 1);
  // An archive without a password takes only an empty one.
  b.password.clear();
  Write(b);
  pack.OnPassword = nullptr;
  pack.Password = "abc";
  EXPECT_FALSE(pack.Extract());
}

TEST_F(ExtractTest, OffsetSkipsWhatPrecedesTheArchive) {
  ArchiveBuilder b;
  b.Add("A", "1");
  WriteFile(pack.PackFileName, std::string(1000, 'Z') + b.Build());
  EXPECT_FALSE(pack.Extract());
  pack.Offset = 1000;
  ASSERT_TRUE(pack.Extract()) << pack.ErrorMessage();
  EXPECT_EQ(ReadFile(out + "\\A"), "1");
}

TEST_F(ExtractTest, CancelStopsTheRun) {
  ArchiveBuilder b;
  b.Add("A", "1").Add("B", "2");
  Write(b);
  int steps = 0;
  pack.OnProgress = [&](TObject*, const std::string&, std::int32_t, bool& cancel) {
    cancel = ++steps == 2;  // the first step after the header, before any entry
  };
  EXPECT_FALSE(pack.Extract());
  EXPECT_FALSE(platform::DirectoryExists(out));
  steps = 0;
  pack.OnProgress = [&](TObject*, const std::string& name, std::int32_t, bool& cancel) {
    cancel = name == "B";
  };
  EXPECT_FALSE(pack.Extract());
  EXPECT_TRUE(Extracted("A"));
  EXPECT_FALSE(Extracted("B"));
  // A handler that throws counts as cancel.
  pack.OnProgress = [&](TObject*, const std::string& name, std::int32_t, bool&) {
    if (name == "A") throw Exception("handler");
  };
  EXPECT_FALSE(pack.Extract());
}

TEST_F(ExtractTest, OnOpenRedirectsTheTarget) {
  ArchiveBuilder b;
  b.Add("A.TXT", "1");
  Write(b);
  std::string closed;
  pack.OnOpen = [&](TObject*, std::string& name) { name = dir + "ELSEWHERE\\X.TXT"; };
  pack.OnClose = [&](TObject*, std::string& name) { closed = name; };
  ASSERT_TRUE(pack.Extract());
  EXPECT_EQ(ReadFile(dir + "ELSEWHERE\\X.TXT"), "1");
  EXPECT_FALSE(Extracted("A.TXT"));
  EXPECT_EQ(closed, dir + "ELSEWHERE\\X.TXT");
}

TEST_F(ExtractTest, EmptyDirectoryMeansTheCurrentOne) {
  ArchiveBuilder b;
  b.Add("CURRENT-DIR-ENTRY.TXT", "1");
  Write(b);
  pack.Directory.clear();
  std::string target;
  pack.OnOpen = [&](TObject*, std::string& name) {
    target = name;
    name = dir + name;
  };
  ASSERT_TRUE(pack.Extract());
  EXPECT_EQ(target, "CURRENT-DIR-ENTRY.TXT");
}

TEST_F(ExtractTest, FailuresToOpen) {
  EXPECT_FALSE(pack.Extract());  // missing file
  EXPECT_NE(pack.ErrorMessage().find("DATA.PCK"), std::string::npos);
  pack.PackFileName.clear();
  EXPECT_FALSE(pack.Extract());
  EXPECT_EQ(pack.ErrorMessage(), "PackFileName inv\xE1lido");
  pack.PackFileName = dir + "DATA.PCK";
  WriteFile(pack.PackFileName, "PCK12" + std::string(20, '\0'));
  EXPECT_FALSE(pack.Extract());
  WriteFile(pack.PackFileName, "PCK11");
  EXPECT_FALSE(pack.Extract());
  // A continuation volume read first is not an archive start.
  ArchiveBuilder b;
  b.Add("A", std::string(100, 'a'));
  WriteFile(pack.PackFileName, b.Split({60})[1]);
  EXPECT_FALSE(pack.Extract());
  EXPECT_TRUE(errors.empty());
}

// Whether the last run of pack failed with an exception of type E.
template <class E>
bool FailedWith(const TCustomPack& pack) {
  if (!pack.ErrorException()) return false;
  try {
    std::rethrow_exception(pack.ErrorException());
  } catch (const E&) {
    return true;
  } catch (...) {
  }
  return false;
}

// Whatever ends a run reaches the caller as it was raised: its kind and message, and OnError
// once, naming the entry, when it ended one.
TEST_F(ExtractTest, AFailureReachesTheCallerWithItsKind) {
  const std::string archive = pack.PackFileName;
  ArchiveBuilder good;
  good.Add("A", "1").Add("B", std::string(50, 'b'));
  struct Case {
    const char* what;
    std::function<void()> setUp;
    bool (*kind)(const TCustomPack&);
    std::string message;
    V errors;
  };
  const Case cases[] = {
      {"missing file", [] {}, FailedWith<EInOutError>, "", {}},
      {"password",
       [&] {
         ArchiveBuilder b = good;
         b.password = "pw";
         Write(b);
       },
       FailedWith<EPackPassword>,
       "Senha inv\xE1lida",
       {}},
      {"no archive",
       [&] { WriteFile(archive, "PCK12" + std::string(20, '\0')); },
       FailedWith<EPackException>,
       "N\xE3o \xE9 um pacote: " + archive,
       {}},
      {"volume 2 first",
       [&] { WriteFile(archive, good.Split({40})[1]); },
       FailedWith<EPackException>,
       "Volume inesperado: " + archive,
       {}},
      {"data cut short",
       [&] {
         ArchiveBuilder b = good;
         b.items[1].size = 500;
         Write(b);
       },
       FailedWith<EPackReadError>,
       "Erro lendo dados",
       {out + "\\B: Erro lendo dados"}},
      {"negative size",
       [&] {
         ArchiveBuilder b = good;
         b.items[1].size = -1;
         Write(b);
       },
       FailedWith<EPackCorrupt>,
       "Dados corrompidos: B",
       {"B: Dados corrompidos: B"}},
      {"cancel",
       [&] {
         Write(good);
         pack.OnProgress = [](TObject*, const std::string& name, std::int32_t, bool& cancel) {
           cancel = name == "B";
         };
       },
       FailedWith<EAbort>,
       EAbort().what(),
       {}},
  };
  for (const Case& c : cases) {
    packtest::RemoveTree(out);
    platform::RemoveFile(archive);
    pack.OnProgress = nullptr;
    errors.clear();
    c.setUp();
    EXPECT_FALSE(pack.Extract()) << c.what;
    EXPECT_TRUE(c.kind(pack)) << c.what << ": " << pack.ErrorMessage();
    if (!c.message.empty()) {
      EXPECT_EQ(pack.ErrorMessage(), c.message) << c.what;
    }
    EXPECT_EQ(errors, c.errors) << c.what;
  }
  // A success leaves nothing of an earlier failure.
  pack.OnProgress = nullptr;
  Write(good);
  ASSERT_TRUE(pack.Extract());
  EXPECT_FALSE(pack.ErrorException());
  EXPECT_EQ(pack.ErrorMessage(), "");
}

// The hooks of subclasses that work on entries out of line: one after each entry, named as
// stored, and one before the checksum block, in both directions; what they raise ends the run.
class HookedPack : public TCustomPack {
 public:
  V events;
  std::string failAfter;

 protected:
  void AfterEntry(const std::string& FileName) override {
    events.push_back("after(" + FileName + ")");
    if (FileName == failAfter)
      throw EInOutError("hook", 5, platform::IoAction::Write, FileName, platform::IoFault::System);
  }
  void BeforeTrailer() override { events.push_back("trailer"); }
};

TEST_F(ExtractTest, HooksFollowEachEntryAndPrecedeTheTrailer) {
  for (const char* name : {"A", "B"}) WriteFile(dir + "SRC\\" + name, name);
  HookedPack writer;
  writer.PackFileName = pack.PackFileName;
  writer.Directory = dir + "SRC";
  writer.Items = {"A", "B"};
  writer.Checksums = true;
  writer.OnPrepared = [&](TObject*) { writer.events.push_back("prepared"); };
  ASSERT_TRUE(writer.Create()) << writer.ErrorMessage();
  EXPECT_EQ(writer.events, (V{"prepared", "after(A)", "after(B)", "trailer"}));

  HookedPack reader;
  reader.PackFileName = pack.PackFileName;
  reader.Directory = out;
  reader.OnList = [&](TObject*, const std::string& n, std::int32_t, std::uint16_t, std::int32_t) {
    reader.events.push_back("list(" + n + ")");
  };
  reader.OnPrepared = [&](TObject*) { reader.events.push_back("prepared"); };
  V failed;
  reader.OnError = [&](TObject*, const Exception&, const std::string& n) { failed.push_back(n); };
  ASSERT_TRUE(reader.Extract()) << reader.ErrorMessage();
  EXPECT_EQ(reader.events,
            (V{"list(A)", "after(A)", "list(B)", "after(B)", "trailer", "prepared"}));
  reader.events.clear();
  ASSERT_TRUE(reader.Process(TCustomPack::kModeList));
  EXPECT_EQ(reader.events,
            (V{"list(A)", "after(A)", "list(B)", "after(B)", "trailer", "prepared"}));

  reader.events.clear();
  reader.failAfter = "A";
  packtest::RemoveTree(out);
  EXPECT_FALSE(reader.Extract());
  EXPECT_EQ(reader.events, (V{"list(A)", "after(A)"}));
  EXPECT_TRUE(FailedWith<EInOutError>(reader));
  EXPECT_EQ(reader.ErrorMessage(), "hook");
  EXPECT_TRUE(failed.empty()) << "the entry had ended: the hook's failure names none";
  EXPECT_FALSE(Extracted("B"));
}

// Names that would put a file outside Directory are refused; nothing lands outside.
TEST_F(ExtractTest, HostileNamesAreRefused) {
  const V hostile = {"..\\EVIL",
                     "SUB\\..\\..\\EVIL",
                     "C:\\EVIL",
                     "C:EVIL",
                     "\\\\EVIL",
                     "\\\\SRV\\SHARE\\EVIL",
                     "/EVIL",
                     "SUB/../../EVIL",
                     "...\\EVIL",
                     ".. \\EVIL",
                     std::string("A\0/../../EVIL", 13),
                     "A\x01",
                     "A*",
                     ""};
  for (const std::string& name : hostile) {
    ArchiveBuilder b;
    b.Add(name, "evil");
    Write(b);
    errors.clear();
    EXPECT_FALSE(pack.Extract()) << name;
    ASSERT_EQ(errors.size(), 1u) << name;
    EXPECT_NE(errors[0].find("Nome de arquivo inv\xE1lido"), std::string::npos) << errors[0];
    EXPECT_FALSE(packtest::Exists(dir + "EVIL"));
  }
  // One leading backslash is the format's own and stays inside.
  ArchiveBuilder ok;
  ok.Add("\\SUB\\..X\\A.TXT", "fine").Add(".\\B", "fine");
  Write(ok);
  ASSERT_TRUE(pack.Extract()) << pack.ErrorMessage();
  EXPECT_TRUE(Extracted("SUB\\..X\\A.TXT"));
}

TEST_F(ExtractTest, LongNamesAreNeverCut) {
  std::string longest(251, 'N');
  ArchiveBuilder b;
  b.Add("SUB\\" + longest, "1");  // 255 bytes, the longest a record holds
  Write(b);
  ASSERT_TRUE(pack.Process(TCustomPack::kModeList));
  EXPECT_EQ(pack.List, (V{"SUB\\" + longest}));
  // Longer than a Windows path with the directory before it: the file lands under its full
  // name or not at all, never under a shortened one.
  bool ok = pack.Extract();
  auto found = platform::FindFiles(out + "\\SUB\\*", platform::faFiles);
  if (ok) {
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].Name, longest);
  } else {
    EXPECT_TRUE(found.empty());
    EXPECT_EQ(errors.size(), 1u);
  }
}

// Damaged archives fail cleanly: no crash, no endless loop, no huge allocation.
TEST_F(ExtractTest, DamagedArchivesFail) {
  ArchiveBuilder good;
  good.header = {"H"};
  good.Add("A.TXT", std::string(3000, 'a')).Add("B.TXT", std::string(100, 'b'));
  std::string stream = good.Build();
  // Cut anywhere: header, record or data.
  for (std::size_t cut = 0; cut < stream.size(); cut += (cut < 80 ? 1 : 97)) {
    WriteFile(pack.PackFileName, stream.substr(0, cut));
    EXPECT_FALSE(pack.Extract()) << cut;
    EXPECT_FALSE(pack.Process(TCustomPack::kModeList)) << cut;
  }
  ArchiveBuilder huge = good;
  huge.fileCount = 0x7FFFFFFF;
  Write(huge);
  EXPECT_FALSE(pack.Extract());
  ArchiveBuilder past = good;
  past.items[1].size = 0x7FFFFFF0;
  Write(past);
  errors.clear();
  EXPECT_FALSE(pack.Extract());
  EXPECT_FALSE(pack.Process(TCustomPack::kModeList));
  EXPECT_FALSE(Extracted("B.TXT")) << "a shortened file left behind";
  ASSERT_FALSE(errors.empty());
  EXPECT_NE(errors.back().find("Erro lendo dados"), std::string::npos);
  // A negative size would seek backwards over the same records for ever.
  for (int version : {1, 2}) {
    ArchiveBuilder negative = good;
    negative.version = version;
    negative.items[0].size = -static_cast<std::int64_t>(11 + 5);
    Write(negative);
    EXPECT_FALSE(pack.Process(TCustomPack::kModeList));
    EXPECT_FALSE(pack.Extract());
  }
}

TEST_F(ExtractTest, ChecksumsCatchChangedData) {
  WriteChecksummed();
  ASSERT_TRUE(pack.Extract()) << pack.ErrorMessage();
  std::string bytes = ReadFile(pack.PackFileName);
  std::size_t at = bytes.find("second");
  ASSERT_NE(at, std::string::npos);
  bytes[at] ^= 1;
  WriteFile(pack.PackFileName, bytes);
  errors.clear();
  EXPECT_FALSE(pack.Extract());
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find("Dados corrompidos"), std::string::npos) << errors[0];
  EXPECT_NE(errors[0].find("B.TXT"), std::string::npos) << errors[0];
  // Listing does not read the data and so has nothing to compare.
  EXPECT_TRUE(pack.Process(TCustomPack::kModeList));
}

TEST_F(ExtractTest, ChecksumsCoverTheHeadAndEveryRecord) {
  WriteChecksummed({"line"});
  const std::string good = ReadFile(pack.PackFileName);
  ASSERT_TRUE(pack.Extract()) << pack.ErrorMessage();
  const std::size_t b = good.find("B.TXT") - 11;  // B's record
  // Every byte of the head (volume header, counts, header line) and of B's record.
  std::vector<std::size_t> places;
  for (std::size_t at = 0; at < 31; ++at) places.push_back(at);
  for (std::size_t at = b; at < b + 16; ++at) places.push_back(at);
  for (std::size_t at : places) {
    std::string bytes = good;
    bytes[at] ^= 0x04;
    WriteFile(pack.PackFileName, bytes);
    packtest::RemoveTree(out + "\\");
    errors.clear();
    EXPECT_FALSE(pack.Extract()) << "byte " << at;
    EXPECT_FALSE(Extracted("B.TXT")) << "byte " << at;
    // A damaged head stops the run before any entry is written.
    if (at < b) {
      EXPECT_FALSE(Extracted("A.TXT")) << "byte " << at;
    }
  }
  // The count lowered: one entry fewer is read, and the head no longer matches.
  std::string fewer = good;
  fewer[15] = 1;
  WriteFile(pack.PackFileName, fewer);
  EXPECT_FALSE(pack.Extract());
}

// Archives written before the block covered heads and records carry "PCKS", count, one CRC of
// each entry's data and the block's own CRC: still checked, entry by entry.
TEST_F(ExtractTest, TheEarlierChecksumBlockIsStillChecked) {
  ArchiveBuilder b;
  b.Add("A.TXT", "first").Add("B.TXT", "second");
  std::string block = "PCKS";
  auto u32 = [](std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>(v >> (8 * i));
  };
  u32(block, 2);
  for (const auto& item : b.items)
    u32(block, pck_format::Crc32(0, item.data.data(), item.data.size()));
  u32(block, pck_format::Crc32(0, block.data(), block.size()));
  const std::string good = b.Build() + block;
  WriteFile(pack.PackFileName, good);
  ASSERT_TRUE(pack.Extract()) << pack.ErrorMessage();
  std::string bytes = good;
  bytes[bytes.find("second")] ^= 1;
  WriteFile(pack.PackFileName, bytes);
  packtest::RemoveTree(out + "\\");
  errors.clear();
  EXPECT_FALSE(pack.Extract());
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find("B.TXT"), std::string::npos) << errors[0];
  EXPECT_TRUE(Extracted("A.TXT"));
  EXPECT_FALSE(Extracted("B.TXT"));  // checked before the file was made of it
}

}  // namespace
