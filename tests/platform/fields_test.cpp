// Fields packed by hand in the formats: little-endian integers and MS-DOS dates and times.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/fileinfo.h"
#include "platform/little_endian.h"

namespace {

TEST(LittleEndian, LowByteFirstAtEveryWidth) {
  const std::uint8_t bytes[8] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0xF8};
  EXPECT_EQ(platform::LoadLE<std::uint16_t>(bytes), 0x0201u);
  EXPECT_EQ(platform::LoadLE<std::uint32_t>(bytes + 4), 0xF8070605u);
  EXPECT_EQ(platform::LoadLE<std::uint64_t>(bytes), 0xF807060504030201u);
  std::uint8_t stored[8] = {};
  platform::StoreLE(stored, std::uint64_t{0xF807060504030201u});
  EXPECT_EQ(std::vector<std::uint8_t>(stored, stored + 8),
            std::vector<std::uint8_t>(bytes, bytes + 8));
  std::vector<std::uint8_t> out = {0xAA};
  platform::AppendLE(out, std::uint16_t{0xBEEF});
  platform::AppendLE(out, std::uint32_t{0x80000001u});
  EXPECT_EQ(out, (std::vector<std::uint8_t>{0xAA, 0xEF, 0xBE, 0x01, 0x00, 0x00, 0x80}));
}

TEST(DosTime, FieldsPackAndComeBackOverTheWholeRange) {
  struct Case {
    platform::DateTime time;
    std::uint32_t dos;
  } cases[] = {
      {{1980, 1, 1, 0, 0, 0, 0}, 0x00210000u},
      {{2021, 6, 15, 10, 20, 30, 0}, 41u << 25 | 6u << 21 | 15u << 16 | 10u << 11 | 20u << 5 | 15u},
      {{2044, 1, 1, 0, 0, 0, 0}, 0x80210000u},  // the top bit: negative as a signed number
      {{2107, 12, 31, 23, 59, 58, 0}, 0xFF9FBF7Du},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(static_cast<std::uint32_t>(platform::PackDosTime(c.time)), c.dos) << c.time.Year;
    const platform::DateTime back = platform::UnpackDosTime(static_cast<std::int32_t>(c.dos));
    EXPECT_EQ((std::vector<int>{back.Year, back.Month, back.Day, back.Hour, back.Minute,
                                back.Second, back.Millisecond}),
              (std::vector<int>{c.time.Year, c.time.Month, c.time.Day, c.time.Hour, c.time.Minute,
                                c.time.Second, 0}))
        << c.time.Year;
  }
  // Two-second resolution: an odd second and the milliseconds are dropped.
  EXPECT_EQ(platform::PackDosTime({2000, 2, 29, 12, 34, 57, 999}),
            platform::PackDosTime({2000, 2, 29, 12, 34, 56, 0}));
}

}  // namespace
