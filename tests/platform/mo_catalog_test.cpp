// The reader of compiled message catalogues that pck.exe carries: the project's own catalogue,
// both byte orders, and catalogues whose tables or strings lie outside their bytes.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/mo_catalog.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void Put32(Bytes& b, std::size_t at, std::uint32_t v, bool big) {
  for (int i = 0; i < 4; ++i)
    b[at + static_cast<std::size_t>(i)] =
        static_cast<std::uint8_t>(v >> (big ? 24 - 8 * i : 8 * i));
}

// A catalogue of the pairs, as msgfmt lays one out: header, both tables, then the strings.
Bytes Catalogue(const std::vector<std::pair<std::string, std::string>>& pairs, bool big) {
  const std::size_t n = pairs.size();
  Bytes b(28 + 16 * n);
  Put32(b, 0, 0x950412DE, big);
  Put32(b, 8, static_cast<std::uint32_t>(n), big);
  Put32(b, 12, 28, big);
  Put32(b, 16, static_cast<std::uint32_t>(28 + 8 * n), big);
  for (std::size_t i = 0; i < n; ++i) {
    for (int side = 0; side < 2; ++side) {
      const std::string& s = side ? pairs[i].second : pairs[i].first;
      const std::size_t entry = 28 + 8 * n * static_cast<std::size_t>(side) + 8 * i;
      Put32(b, entry, static_cast<std::uint32_t>(s.size()), big);
      Put32(b, entry + 4, static_cast<std::uint32_t>(b.size()), big);
      b.insert(b.end(), s.begin(), s.end());
      b.push_back(0);
    }
  }
  return b;
}

TEST(MoCatalog, ReadsBothByteOrdersAndThePluralsFirstForm) {
  for (bool big : {false, true}) {
    platform::MoCatalog c;
    const Bytes b = Catalogue(
        {{"", "Content-Type: text/plain; charset=UTF-8\n"},
         {"wrong password", "senha errada"},
         {std::string("%d file\0%d files", 16), std::string("%d arquivo\0%d arquivos", 22)},
         {"untranslated", ""}},
        big);
    ASSERT_TRUE(c.Load(b.data(), b.size())) << big;
    ASSERT_NE(c.Find("wrong password"), nullptr);
    EXPECT_EQ(*c.Find("wrong password"), "senha errada");
    ASSERT_NE(c.Find("%d file"), nullptr);
    EXPECT_EQ(*c.Find("%d file"), "%d arquivo");
    EXPECT_EQ(c.Find(""), nullptr);  // the header is no translation
    EXPECT_EQ(c.Find("untranslated"), nullptr);
    EXPECT_EQ(c.Find("unknown"), nullptr);
  }
}

TEST(MoCatalog, RefusesWhatLiesOutsideItsBytes) {
  const Bytes good = Catalogue({{"a", "b"}, {"cc", "dd"}}, false);
  platform::MoCatalog c;
  // Cut anywhere: the tables or a string (or its NUL) lie past the end.
  for (std::size_t size = 0; size < good.size(); ++size) {
    EXPECT_FALSE(c.Load(good.data(), size)) << size;
    EXPECT_TRUE(c.Entries().empty());
  }
  Bytes b = good;
  Put32(b, 28 + 16 + 4, 0xFFFFFFF0, false);  // a translation's offset far outside
  EXPECT_FALSE(c.Load(b.data(), b.size()));
  b = good;
  Put32(b, 8, 0x20000000, false);  // a count whose tables would wrap a 32-bit size
  EXPECT_FALSE(c.Load(b.data(), b.size()));
  b = good;
  b[0] ^= 1;
  EXPECT_FALSE(c.Load(b.data(), b.size()));
  EXPECT_TRUE(c.Load(good.data(), good.size()));
}

#ifdef PCK_PT_MO
// The catalogue msgfmt made of po/pt.po.
TEST(MoCatalog, ReadsTheProjectsCatalogue) {
  std::ifstream in(PCK_PT_MO, std::ios::binary);
  const Bytes b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  platform::MoCatalog c;
  ASSERT_TRUE(c.Load(b.data(), b.size()));
  EXPECT_GT(c.Entries().size(), 100u);
  ASSERT_NE(c.Find("wrong password"), nullptr);
  EXPECT_EQ(*c.Find("wrong password"), "senha errada");
  ASSERT_NE(c.Find("Usage:"), nullptr);
  EXPECT_EQ(*c.Find("Usage:"), "Uso:");
}
#endif

}  // namespace
