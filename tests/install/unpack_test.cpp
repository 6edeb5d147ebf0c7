// Archive unpacking through the real archive engine: archives are built with TPackLz itself.
#include <filesystem>
#include <fstream>
#include <sstream>

#include "install/install.h"
#include "install/install_item.h"
#include "pack/pack_lz.h"
#include "platform/file.h"
#include "tests/install/doubles.h"
#include "tests/install/recorded_task.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

// TPackLz counting its runs: every Extract opens the archive once.
class CountingPack final : public TPackLz {
 public:
  CountingPack(TComponent* owner, int& opens) : TPackLz(owner), opens_(opens) {}

 protected:
  void OpenRead() override {
    ++opens_;
    TPackLz::OpenRead();
  }

 private:
  int& opens_;
};

class UnpackTest : public doubles::PlatformTest, public RecordedTask {
 protected:
  UnpackTest() : RecordedTask("Web") {
    fs::create_directories(root_ / "SRC");
    fs::create_directories(root_ / "DISK");
    fs::create_directories(root_ / "TARGET");
    // The engine upper-cases archive and target paths, as Windows does not care; on a host that
    // does, the tests work below an upper-case working directory with relative paths.
    previous_ = fs::current_path();
    fs::current_path(root_);
  }
  ~UnpackTest() override { fs::current_path(previous_); }

  // Builds disk/WEB.PCK from two files.
  void BuildArchive() {
    std::ofstream("SRC/INDEX.HTM", std::ios::binary) << std::string(5000, 'a') << "fim";
    std::ofstream("SRC/TAVO.EXE", std::ios::binary) << "MZ" << std::string(300, '\x90');
    TPackLz writer;
    writer.PackFileName = "DISK\\WEB.PCK";
    writer.Directory = "SRC";
    writer.Items = {"*.*"};
    ASSERT_TRUE(writer.Create()) << writer.ErrorMessage();
  }

  TPackClass Counting() {
    return [this](TComponent* owner) -> std::unique_ptr<TCustomPack> {
      ++created;
      auto pack = std::make_unique<CountingPack>(owner, opens);
      made = pack.get();
      return pack;
    };
  }

  testsupport::TempDir temp_;
  fs::path root_ = temp_.Root(), previous_;
  int created = 0, opens = 0;
  TCustomPack* made = nullptr;
};

TEST_F(UnpackTest, ExpandsTheArchiveAndReportsProgressFromTheArchive) {
  BuildArchive();
  std::vector<std::int32_t> percents;
  task.OnUnpack = [&](TObject* sender, const std::string&, std::int32_t percent, bool&) {
    EXPECT_NE(sender, &task);
    EXPECT_NE(dynamic_cast<TCustomPack*>(sender), nullptr);
    percents.push_back(percent);
  };
  EXPECT_TRUE(task.Unpack("disk\\", "web.pck", "target"));
  std::ifstream in("TARGET/INDEX.HTM", std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(), std::string(5000, 'a') + "fim");
  EXPECT_EQ(fs::file_size("TARGET/TAVO.EXE"), 302u);
  ASSERT_FALSE(percents.empty());
  EXPECT_EQ(percents.back(), 100);
  EXPECT_EQ(afters, (std::vector<std::pair<std::int32_t, std::string>>{{0, ""}}));
  EXPECT_TRUE(ui.Boxes.empty());
}

TEST_F(UnpackTest, UpperCasesOnlyAsciiLettersOfPathAndTarget) {
  ui.Answers = {platform::mrAbort};
  EXPECT_FALSE(
      task.UnpackWith(Counting(), "d:\\setup\\disk1\\", "web.pck", "c:\\rudodez\\\xE1rea"));
  const std::string path = "D:\\SETUP\\DISK1\\WEB.PCK";
  const std::string target = "C:\\RUDODEZ\\\xE1REA";
  EXPECT_EQ(items, std::vector<std::string>{"Expandindo " + path + " para " + target});
  ASSERT_EQ(ui.Boxes.size(), 1u);
  EXPECT_EQ(ui.Boxes[0].Text, "Erro expandindo " + path + " para " + target);
  EXPECT_EQ(ui.Boxes[0].Type, platform::MsgType::Error);
  EXPECT_EQ(afters.back(), (std::pair<std::int32_t, std::string>{3, ui.Boxes[0].Text}));
  EXPECT_EQ(opens, 1);
  EXPECT_EQ(created, 1);
}

TEST_F(UnpackTest, TheArchiveGetsPathTargetAndTheTasksHandlerAndIsFreedAfterwards) {
  bool progressed = false;
  task.OnUnpack = [&](TObject*, const std::string&, std::int32_t, bool&) { progressed = true; };
  std::string seenPath, seenDir;
  bool freed = false;
  struct Watched final : TPackLz {
    Watched(TComponent* owner, bool& flag) : TPackLz(owner), freed(flag) {}
    ~Watched() override { freed = true; }
    bool& freed;
  };
  TPackClass inspecting = [&](TComponent* owner) -> std::unique_ptr<TCustomPack> {
    EXPECT_EQ(owner, &task);
    auto pack = std::make_unique<Watched>(owner, freed);
    made = pack.get();
    return pack;
  };
  task.AfterExecute = [&](TObject*, std::int32_t, const std::string&) {
    seenPath = made->PackFileName;
    seenDir = made->Directory;
    bool cancel = false;
    ASSERT_TRUE(made->OnProgress);
    made->OnProgress(made, "", 0, cancel);
    EXPECT_FALSE(freed);
  };
  const std::string longName(300, 'n');
  ui.Answers = {platform::mrIgnore};
  EXPECT_TRUE(task.UnpackWith(inspecting, "c:\\x", longName, "c:\\t"));
  EXPECT_EQ(seenPath.size(), 255u);
  EXPECT_EQ(seenPath.substr(0, 6), "C:\\X\\N");
  EXPECT_EQ(seenDir, "C:\\T");
  EXPECT_TRUE(progressed);
  EXPECT_TRUE(freed);
}

TEST_F(UnpackTest, RetryAfterTwoFailuresExtractsThreeTimesAndSucceeds) {
  // The archive appears while the second error box is up, as when the right disk goes in.
  ui.Answers = {platform::mrRetry, platform::mrRetry};
  ui.OnBox = [&](const doubles::ScriptedUi::Box&) {
    if (ui.Boxes.size() == 2) BuildArchive();
  };
  EXPECT_TRUE(task.UnpackWith(Counting(), "DISK", "WEB.PCK", "TARGET"));
  EXPECT_EQ(opens, 3);
  EXPECT_EQ(created, 1);
  EXPECT_EQ(items.size(), 1u);
  EXPECT_EQ(afters, (std::vector<std::pair<std::int32_t, std::string>>{{0, ""}}));
  EXPECT_TRUE(fs::exists("TARGET/TAVO.EXE"));
}

TEST_F(UnpackTest, CountingCreatesNoArchiveAndNotifiesNothing) {
  task.Execute(true);
  EXPECT_TRUE(task.UnpackWith(Counting(), "C:\\", "WEB.PCK", "C:\\T"));
  EXPECT_TRUE(task.Unpack("C:\\", "WEB.PCK", "C:\\T"));
  EXPECT_EQ(list.OperationCount, 2);
  EXPECT_EQ(created, 0);
  EXPECT_TRUE(items.empty());
  EXPECT_TRUE(afters.empty());
}

TEST_F(UnpackTest, ACancelFromTheProgressHandlerFailsTheAttempt) {
  BuildArchive();
  int calls = 0;
  task.OnUnpack = [&](TObject*, const std::string&, std::int32_t, bool& cancel) {
    cancel = ++calls == 2;
  };
  ui.Answers = {platform::mrAbort};
  EXPECT_FALSE(task.Unpack("DISK", "WEB.PCK", "TARGET"));
  EXPECT_EQ(afters.back().first, 3);
}

// The archive is made after the announcement, once for all attempts; a failure to make it is no
// failed attempt to offer again but leaves the operation, without an after-notification.
TEST_F(UnpackTest, AnArchiveThatCannotBeMadeLeavesAfterTheAnnouncement) {
  TPackClass failing = [](TComponent*) -> std::unique_ptr<TCustomPack> {
    throw Exception("no temporary file");
  };
  EXPECT_THROW(task.UnpackWith(failing, "C:\\", "WEB.PCK", "C:\\T"), Exception);
  EXPECT_EQ(items, (std::vector<std::string>{"Expandindo C:\\WEB.PCK para C:\\T"}));
  EXPECT_TRUE(afters.empty());
  EXPECT_TRUE(ui.Boxes.empty());
}

}  // namespace
