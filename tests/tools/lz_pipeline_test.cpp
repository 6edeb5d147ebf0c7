// The compressor's work on workers: results come back in the order handed in whatever order the
// workers finish in, each entry sees its own bytes, a failure stops or not as the job says, and
// every temporary file goes.
#include "tools/pck/lz_pipeline.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/file.h"
#include "tests/support/temp_dir.h"

namespace {

using pck::CompressAhead;
using pck::ExpandBehind;

// The pipelines make their files in the temporary directory: here, one of the test's own.
class PipelineTest : public ::testing::Test {
 protected:
  void SetUp() override { SetTempDirectory(tmp.Root().string()); }
  // The tests of a program may share one process: the next one finds the directory as it was.
  void TearDown() override { SetTempDirectory(before_); }
  static void SetTempDirectory(const std::string& dir) {
#ifdef _WIN32
    _putenv_s("TMP", dir.c_str());
#else
    setenv("TMPDIR", dir.c_str(), 1);
#endif
  }
  std::size_t TempFiles() const {
    std::size_t n = 0;
    for (const auto& e : std::filesystem::directory_iterator(tmp.Root())) n += e.is_regular_file();
    return n;
  }
  std::string before_ = std::filesystem::temp_directory_path().string();
  testsupport::TempDir tmp{"tavo-pipeline-"};
  testsupport::TempDir files{"tavo-pipeline-files-"};
};

// Hands in entries 0..count-1, each file holding its number; the workers take longer for the
// earlier ones, so they finish out of order; the expansion of entry failing raises.
struct Outcome {
  std::vector<int> seen, done, failed;
};
Outcome HandIn(ExpandBehind& pipeline, int count, bool goOn, int failing = -1) {
  auto run = std::make_shared<Outcome>();
  run->seen.assign(static_cast<std::size_t>(count), -1);
  for (int i = 0; i < count; ++i) {
    platform::File data = pipeline.Acquire();
    std::string text = std::to_string(i);
    EXPECT_EQ(data.Write(text.data(), text.size()), static_cast<std::int64_t>(text.size()));
    ExpandBehind::Job job;
    job.expand = [run, i, count, failing](Tlzrw1&, platform::File& file) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2 * (count - i)));
      char buf[16] = {};
      std::int64_t got = file.Read(buf, sizeof buf);
      run->seen[static_cast<std::size_t>(i)] = got > 0 ? std::atoi(buf) : -2;
      if (i == failing) throw std::runtime_error("damaged");
    };
    job.done = [run, i] { run->done.push_back(i); };
    job.failed = [run, i, goOn](const std::exception&) {
      run->failed.push_back(i);
      return goOn;
    };
    pipeline.Submit(std::move(data), std::move(job));
    pipeline.Collect(false);
  }
  pipeline.Collect(true);
  return *run;
}

TEST_F(PipelineTest, ResultsComeInTheOrderHandedInAndEachEntryReadsItsOwnBytes) {
  for (int jobs : {1, 3}) {
    Outcome run;
    {
      ExpandBehind pipeline(jobs, "");
      run = HandIn(pipeline, 24, false);
      EXPECT_TRUE(pipeline.Collect(true));
    }
    std::vector<int> all;
    for (int i = 0; i < 24; ++i) all.push_back(i);
    EXPECT_EQ(run.done, all) << jobs << " jobs";
    EXPECT_EQ(run.seen, all) << jobs << " jobs: a slot was reused while its entry was in flight";
    EXPECT_EQ(TempFiles(), 0u) << jobs << " jobs";
  }
}

TEST_F(PipelineTest, AFailureThatStopsTheRunDropsWhatCameAfterIt) {
  for (int jobs : {1, 3}) {
    ExpandBehind pipeline(jobs, "");
    Outcome run = HandIn(pipeline, 12, false, 5);
    EXPECT_FALSE(pipeline.Collect(true));
    EXPECT_EQ(run.done, (std::vector<int>{0, 1, 2, 3, 4})) << jobs << " jobs";
    EXPECT_EQ(run.failed, std::vector<int>{5}) << jobs << " jobs";
    // The run ends with the failure itself, for its message and kind.
    ASSERT_TRUE(pipeline.Failure());
    try {
      std::rethrow_exception(pipeline.Failure());
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(), "damaged");
    }
  }
}

TEST_F(PipelineTest, AFailureTheRunGoesOnFromLeavesTheOthersDone) {
  ExpandBehind pipeline(3, "");
  Outcome run = HandIn(pipeline, 12, true, 5);
  EXPECT_TRUE(pipeline.Collect(true));
  EXPECT_EQ(run.done, (std::vector<int>{0, 1, 2, 3, 4, 6, 7, 8, 9, 10, 11}));
  EXPECT_EQ(run.failed, std::vector<int>{5});
}

class Counter final : public TLzrw1Output {
 public:
  bool Write(const void*, std::size_t) override { return true; }
};

TEST_F(PipelineTest, CompressAheadGivesEachFileCompressedAndItsOwnErrorAtItsTurn) {
  std::vector<std::string> list;
  for (int i = 0; i < 9; ++i) {
    std::string name = "F";
    name += std::to_string(i);
    std::string path = files.Path(name + ".TXT");
    if (i != 4) {  // the fifth file is missing
      platform::File f;
      ASSERT_TRUE(f.Open(path, platform::OpenMode::Create));
      std::string text(1000 + 100 * i, static_cast<char>('a' + i));
      f.Write(text.data(), text.size());
    }
    list.push_back(path);
  }
  {
    CompressAhead ahead(3, TCompressMode::Good, list, "");
    for (std::size_t i = 0; i < list.size(); ++i) {
      if (i == 4) {
        EXPECT_THROW(ahead.Compressed(i, list[i]), ELzrw1Exception);
        continue;
      }
      platform::File data = ahead.Compressed(i, list[i]);
      Counter counter;
      Tlzrw1 codec;
      codec.InputFile = ahead.PathOf(i);
      EXPECT_EQ(codec.Decompress(data, counter), 1000 + 100 * static_cast<int>(i));
      ahead.GiveBack(i, std::move(data));
    }
  }
  EXPECT_EQ(TempFiles(), 0u);
}

// The engine names each file it stores: a file asked for out of turn, or under another name, is
// refused, and the pipeline still hands the right one to the right request.
TEST_F(PipelineTest, CompressAheadHandsAFileOnlyToItsOwnName) {
  std::vector<std::string> list;
  for (const char* name : {"A.TXT", "B.TXT"}) {
    list.push_back(files.Path(name));
    platform::File f;
    ASSERT_TRUE(f.Open(list.back(), platform::OpenMode::Create));
    f.Write(name, 5);
  }
  CompressAhead ahead(2, TCompressMode::Fast, list, "");
  EXPECT_THROW(ahead.Compressed(0, list[1]), Exception);
  EXPECT_THROW(ahead.Compressed(1, list[1]), Exception);
  for (std::size_t i = 0; i < list.size(); ++i) {
    platform::File data = ahead.Compressed(i, list[i]);
    Tlzrw1 codec;
    Counter counter;
    EXPECT_EQ(codec.Decompress(data, counter), 5);
    ahead.GiveBack(i, std::move(data));
  }
  EXPECT_THROW(ahead.Compressed(1, list[1]), Exception);
}

}  // namespace
