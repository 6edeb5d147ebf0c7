// Compressed storage: every file goes through the engine's temporary file and the file
// compressor, in both directions.
#include "pack/pack_lz.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "pack/paths.h"
#include "platform/fileinfo.h"
#include "tests/pack/pack_test_util.h"

namespace {

using namespace packtest;

class PackLzTest : public PackTest {
 protected:
  void SetUp() override {
    PackTest::SetUp();
    src = dir + "SRC\\";
    files = {{"A.TXT", packtest::SampleBytes(100000, 1)},
             {"EMPTY.DAT", ""},
             {"SUB\\DEEP\\ER\\B.BIN", packtest::SampleBytes(70000, 2)},
             {"SUB\\A\xC7\xC3O.TXT", "a\xE7\xE3o"}};
    for (const auto& [name, data] : files) WriteFile(src + name, data);
    platform::FileSetAttr(src + "A.TXT", platform::faReadOnly);
    archive = dir + "DATA.PCK";
  }
  void TearDown() override {
    platform::FileSetAttr(src + "A.TXT", 0);
    PackTest::TearDown();
  }
  bool Create(TCompressMode mode) {
    TPackLz pack;
    pack.PackFileName = archive;
    pack.Directory = dir + "SRC";
    pack.Items = {"*.*", "SUB\\*.*", "SUB\\DEEP\\ER\\*.*"};
    pack.PathOption = TPathOption::poRelative;
    pack.CompressMode = mode;
    bool ok = pack.Create();
    EXPECT_TRUE(ok) << pack.ErrorMessage();
    EXPECT_FALSE(packtest::Exists(pack.GetTempName()));
    return ok;
  }

  std::string src, archive;
  std::vector<std::pair<std::string, std::string>> files;
};

TEST_F(PackLzTest, RoundTripInEveryMode) {
  for (TCompressMode mode : {TCompressMode::Good, TCompressMode::Fast, TCompressMode::Auto}) {
    ASSERT_TRUE(Create(mode));
    std::string bytes = ReadFile(archive);
    EXPECT_NE(bytes.find(mode == TCompressMode::Fast ? "WRZL" : "!HZL"), std::string::npos);
    EXPECT_LT(bytes.size(), 170000u / 2);
    std::string out = dir + "OUT" + std::to_string(static_cast<int>(mode));
    TPackLz pack;
    pack.PackFileName = archive;
    pack.Directory = out;
    int fileProgress = 0;
    pack.OnFileProgress = [&](TObject* s, std::int32_t, std::int32_t) {
      EXPECT_EQ(s, &pack);
      ++fileProgress;
    };
    ASSERT_TRUE(pack.Extract()) << pack.ErrorMessage();
    EXPECT_GT(fileProgress, 0);
    for (const auto& [name, data] : files) {
      EXPECT_EQ(ReadFile(ConcatPath(out, name)), data) << name;
      EXPECT_EQ(platform::FileAge(ConcatPath(out, name)), platform::FileAge(src + name)) << name;
    }
    EXPECT_TRUE(platform::FileGetAttr(out + "\\A.TXT") & platform::faReadOnly);
    EXPECT_FALSE(platform::FileGetAttr(out + "\\EMPTY.DAT") & platform::faReadOnly);
    // The same engine again, over the read-only file it wrote.
    ASSERT_TRUE(pack.Extract()) << pack.ErrorMessage();
    EXPECT_EQ(ReadFile(out + "\\A.TXT"), files[0].second);
    EXPECT_FALSE(packtest::Exists(pack.GetTempName())) << "deleted after each entry";
  }
}

TEST_F(PackLzTest, TemporaryFileIsGoneAfterTheEngine) {
  ASSERT_TRUE(Create(TCompressMode::Fast));
  std::string temp;
  {
    TComponent owner;
    auto* pack = new TPackLz(&owner);  // freed by its owner, as the install task does it
    temp = pack->GetTempName();
    ASSERT_FALSE(temp.empty());
    EXPECT_EQ(ExtractFileName(temp).substr(0, 3), "PCK");
    EXPECT_TRUE(packtest::Exists(temp)) << "made empty at construction";
    pack->PackFileName = archive;
    pack->Directory = dir + "OUT";
    pack->OnProgress = [](TObject*, const std::string& name, std::int32_t, bool& cancel) {
      cancel = name == "SUB\\DEEP\\ER\\B.BIN";
    };
    EXPECT_FALSE(pack->Extract());
  }
  EXPECT_FALSE(packtest::Exists(temp));
}

TEST_F(PackLzTest, DamagedDataNeverBecomesAFile) {
  ASSERT_TRUE(Create(TCompressMode::Good));
  std::string bytes = ReadFile(archive);
  V errors;
  auto extract = [&](const std::string& image) {
    WriteFile(archive, image);
    packtest::RemoveTree(dir + "OUT\\");
    errors.clear();
    TPackLz pack;
    pack.PackFileName = archive;
    pack.Directory = dir + "OUT";
    pack.OnError = [&](TObject*, const Exception& e, const std::string& name) {
      errors.push_back(ExtractFileName(name) + ": " + e.Message());
    };
    bool ok = pack.Extract();
    EXPECT_FALSE(packtest::Exists(pack.GetTempName()));
    return ok;
  };
  // The signature of the first stored file broken: the compressor refuses it.
  std::string broken = bytes;
  std::size_t at = broken.find("!HZL");
  broken[at] = 'X';
  EXPECT_FALSE(extract(broken));
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find("NOT A COMPRESSED FILE"), std::string::npos) << errors[0];
  EXPECT_TRUE(platform::FindFiles(dir + "OUT\\*", platform::faFilesAndDirectories).empty());
  // Cut inside the last entry's data on a fixed disk: that entry must not appear at all.
  std::string last;
  {
    TPackLz list;
    list.PackFileName = archive;
    WriteFile(archive, bytes);
    ASSERT_TRUE(list.Process(TCustomPack::kModeList));
    last = list.List.back();
  }
  EXPECT_FALSE(extract(bytes.substr(0, bytes.size() - 5)));
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0].rfind(ExtractFileName(last), 0), 0u) << errors[0];
  EXPECT_FALSE(packtest::Exists(ConcatPath(dir + "OUT", last)));
}

#ifndef _WIN32
TEST_F(PackLzTest, NoTemporaryDirectoryIsAnErrorOfTheRun) {
  ASSERT_TRUE(Create(TCompressMode::Fast));
  const char* old = std::getenv("TMPDIR");
  std::string saved = old ? old : "";
  setenv("TMPDIR", "/nonexistent-packtest", 1);
  {
    TPackLz pack;
    EXPECT_TRUE(pack.GetTempName().empty());
    pack.PackFileName = archive;
    pack.Directory = dir + "OUT";
    std::string error;
    pack.OnError = [&](TObject*, const Exception& e, const std::string&) { error = e.Message(); };
    EXPECT_FALSE(pack.Extract());
    EXPECT_NE(error.find("PCK*.TMP"), std::string::npos) << error;
  }
  if (old)
    setenv("TMPDIR", saved.c_str(), 1);
  else
    unsetenv("TMPDIR");
}
#endif

}  // namespace
