// pck's one mask rule, in process: the table of cases the commands share end to end
// (mask_cases.txt), and what a walk and a report need of it.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "pack/paths.h"
#include "tools/pck/masks.h"

namespace {

const std::vector<std::string> kTree = {"README",     "notes.txt",         ".hidden",
                                        "docs/c.TXT", "docs/deep/big.txt", "docs/deep/x.dat",
                                        "usb/a.txt",  "usb/sub/b",         "usb/sub/c.d/e"};

struct Case {
  std::string mask;
  std::set<std::string> selected;
};

std::vector<Case> Cases() {
  std::string path = MASK_CASES;
#ifdef _WIN32
  if (!path.empty() && path[0] == '/') path = "Z:" + path;  // the host's root under Wine
#endif
  std::ifstream in(path);
  std::vector<Case> cases;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    const std::size_t tab = line.find('\t');
    Case c{line.substr(0, tab), {}};
    std::istringstream names(line.substr(tab + 1));
    for (std::string name; names >> name;)
      if (name != "-") c.selected.insert(name);
    cases.push_back(c);
  }
  return cases;
}

// Entry names as an archive holds them: backslashes.
std::string Stored(std::string name) {
  for (char& c : name)
    if (c == '/') c = '\\';
  return name;
}

TEST(PckMasks, TheSharedTable) {
  const std::vector<Case> cases = Cases();
  ASSERT_GE(cases.size(), 20u);
  for (const Case& c : cases) {
    // A selection looks masks without wildcards up; one mask on its own tries them.
    pck::Selection selection({c.mask}, {});
    const pck::Mask mask(c.mask);
    std::set<std::string> got;
    for (const std::string& name : kTree) {
      const bool selected = selection.Selects(Stored(name));
      EXPECT_EQ(selected, selection.Selects(name)) << c.mask << " " << name;
      EXPECT_EQ(selected, mask.Selects(pck::NamesOf(name))) << c.mask << " " << name;
      if (selected) got.insert(name);
    }
    EXPECT_EQ(got, c.selected) << "mask " << c.mask;
    EXPECT_EQ(selection.NotFound().empty(), !c.selected.empty()) << c.mask;
  }
}

TEST(PckMasks, NamesAsShellsMatchThem) {
  struct {
    const char* mask;
    const char* name;
    bool match;
  } const cases[] = {
      {"*", "", true},         {"**", "", true},
      {"a**", "a", true},      {"*.*", "a", false},
      {"*.*", "a.", true},     {"*.*", ".a", true},
      {"?", "", false},        {"a?c", "abc", true},
      {"*x*x", "axbx", true},  {"*x*x", "axb", false},
      {"\xE9", "\xC9", false}, {"\xE9*", "\xE9t\xE9", true},
      {"A*b?", "aXXBc", true}, {"*.tar.*", "x.tar.gz", true},
  };
  for (const auto& c : cases)
    EXPECT_EQ(pck::MatchName(c.mask, c.name), c.match) << c.mask << " " << c.name;
  // Where the engine's own rule answers otherwise, for the setup program.
  EXPECT_FALSE(MatchFileMask("*", "A.TXT"));
  EXPECT_TRUE(pck::MatchName("*", "A.TXT"));
  EXPECT_FALSE(MatchMask("A**", "A"));
}

TEST(PckMasks, ManyStarsStayCheap) {
  const std::string name(4000, 'a');
  std::string mask;
  for (int i = 0; i < 200; ++i) mask += "*a";
  EXPECT_TRUE(pck::MatchName(mask, name));
  EXPECT_FALSE(pck::MatchName(mask + "b", name));
}

TEST(PckMasks, WalksEnterOnlyFoldersThatMayHoldASelection) {
  // The same answers for a mask with wildcards, tried, and one without, looked up.
  for (const char* typed : {"usb/s?b/a.t*", "usb/sub/a.txt"}) {
    pck::Selection usbText({typed}, {});
    EXPECT_TRUE(usbText.MayReachBelow("usb")) << typed;
    EXPECT_TRUE(usbText.MayReachBelow("USB\\sub")) << typed;
    EXPECT_TRUE(usbText.MayReachBelow("usb/sub/a.txt/deeper")) << typed;
    EXPECT_FALSE(usbText.MayReachBelow("docs")) << typed;
    EXPECT_FALSE(usbText.MayReachBelow("usb/other")) << typed;
    EXPECT_FALSE(usbText.MayReachBelow("usb/sub/b.txt")) << typed;
  }
  pck::Selection anyDepth({"*.txt"}, {"docs"});
  EXPECT_TRUE(anyDepth.MayReachBelow("usb/sub"));
  EXPECT_FALSE(anyDepth.MayReachBelow("docs"));
  EXPECT_FALSE(anyDepth.MayReachBelow("docs/deep"));
  EXPECT_TRUE(pck::Selection({}, {}).MayReachBelow("any/folder"));
}

TEST(PckMasks, ExcludesWinAndMasksThatFoundNothingAreNamedInOrder) {
  pck::Selection s({"nothing", "*.txt", "usb", "/deep"}, {"usb/sub"});
  std::vector<std::string> selected;
  for (const std::string& name : kTree)
    if (s.Selects(Stored(name))) selected.push_back(name);
  EXPECT_EQ(selected, (std::vector<std::string>{"notes.txt", "docs/c.TXT", "docs/deep/big.txt",
                                                "usb/a.txt"}));
  // The first mask that selects a path, for create to store in the order of the masks.
  EXPECT_EQ(s.Select("usb\\a.txt"), 1u);
  EXPECT_EQ(s.Select("usb\\x"), 2u);
  EXPECT_EQ(s.Select("usb\\sub\\a.txt"), pck::Selection::kNone);
  EXPECT_EQ(s.NotFound(), (std::vector<std::string>{"nothing", "/deep"}));
  // A mask that matched only what --exclude left out still found something.
  pck::Selection excluded({"usb/sub/b"}, {"usb"});
  EXPECT_FALSE(excluded.Selects("usb\\sub\\b"));
  EXPECT_TRUE(excluded.NotFound().empty());
}

}  // namespace
