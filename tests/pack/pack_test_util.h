// Helpers of the archive tests: whole-file reads and writes, and an archive builder that lays out
// bytes by hand, independently of the engine's writer.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace packtest {

using V = std::vector<std::string>;  // names, lines, events

// A DOS date/time: 15 June 2021, 10:20:30.
constexpr std::int32_t kTime = (41 << 25) | (6 << 21) | (15 << 16) | (10 << 11) | (20 << 5) | 15;

void RemoveTree(const std::string& dir);
void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);  // empty and a test failure when unreadable
bool Exists(const std::string& path);
// Names of the files PCK*.TMP in the temporary directory.
std::vector<std::string> PckTempFiles();
// Deterministic bytes that compress somewhat, as real files do.
std::string SampleBytes(std::size_t size, unsigned seed);

// The byte stream of an archive, laid out field by field.
struct ArchiveBuilder {
  struct Item {
    std::string name, data;
    std::uint16_t attr = 0x20;
    std::int32_t time = kTime;
    std::optional<std::int64_t> size;  // the Size field when it should lie about the data
  };
  int version = 2;
  double stamp = 44362.5;
  std::string password;
  std::vector<std::string> header;
  std::string raw;  // version 1 raw block
  std::int32_t reserved = 0;
  std::int64_t fileCount = -1;  // -1: the number of items
  std::vector<Item> items;

  ArchiveBuilder& Add(const std::string& name, const std::string& data) {
    Item item;
    item.name = name;
    item.data = data;
    items.push_back(std::move(item));
    return *this;
  }
  std::string VolumeHeader(std::uint16_t volume) const;
  std::string Build() const;  // volume 1 on its own
  // The stream cut after the given byte counts: volume 1 is the stream's first cut bytes, each
  // further volume its own header and the next piece.
  std::vector<std::string> Split(const std::vector<std::size_t>& cuts) const;
};

// A scratch directory per test, removed afterwards.
class PackTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  std::string dir;  // a Windows path ending with a backslash

 private:
  std::optional<testsupport::TempDir> scratch_;
};

}  // namespace packtest
