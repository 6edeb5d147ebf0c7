// The in-memory registry and the typed reads and writes every registry offers.
#include <gtest/gtest.h>

#include "platform/memory_registry.h"

namespace {

using platform::RootKey;

TEST(MemoryRegistryTest, OpensOnlyExistingKeysUnlessCreating) {
  platform::MemoryRegistry reg;
  EXPECT_FALSE(reg.OpenKey(RootKey::LocalMachine, "SOFTWARE\\A", false));
  EXPECT_TRUE(reg.OpenKey(RootKey::LocalMachine, "\\SOFTWARE\\A\\B\\", true));
  EXPECT_TRUE(reg.OpenKey(RootKey::LocalMachine, "software\\a", false));
  EXPECT_TRUE(reg.OpenKey(RootKey::LocalMachine, "\\SOFTWARE\\A\\B", false));
  EXPECT_TRUE(reg.OpenKey(RootKey::LocalMachine, "", false));
  EXPECT_FALSE(reg.OpenKey(RootKey::CurrentUser, "SOFTWARE\\A", false));
}

TEST(MemoryRegistryTest, ValuesAreTypedAndNamesIgnoreCase) {
  platform::MemoryRegistry reg;
  auto key = reg.OpenKey(RootKey::LocalMachine, "SOFTWARE\\T", true);
  key->WriteString("Path", "C:\\X");
  key->WriteInteger("Count", 0x01020304);
  key->WriteBinary("Blob", "\x00\xFF", 2);
  EXPECT_EQ(key->ReadValue("PATH"),
            (platform::RegistryValue{platform::RegSz, std::string("C:\\X\0", 5)}));
  EXPECT_EQ(key->ReadValue("count"),
            (platform::RegistryValue{platform::RegDword, std::string("\x04\x03\x02\x01", 4)}));
  EXPECT_EQ(key->ReadValue("Blob"),
            (platform::RegistryValue{platform::RegBinary, std::string("\x00\xFF", 2)}));
  EXPECT_FALSE(key->ReadValue("Missing"));
  auto again = reg.OpenKey(RootKey::LocalMachine, "software\\t", false);
  EXPECT_EQ(again->ReadString("path"), "C:\\X");
  const auto& contents = reg.Contents(RootKey::LocalMachine);
  EXPECT_EQ(contents.at("SOFTWARE\\T").Values.size(), 3u);
}

TEST(MemoryRegistryTest, ReadStringTellsStringsFromOtherTypes) {
  platform::MemoryRegistry reg;
  auto key = reg.OpenKey(RootKey::LocalMachine, "K", true);
  key->WriteValue("Expand", platform::RegExpandSz, "%WINDIR%\\X\0", 11);
  key->WriteValue("NoNul", platform::RegSz, "abc", 3);
  key->WriteValue("Early", platform::RegSz, "ab\0cd\0", 6);
  key->WriteInteger("Number", 1);
  EXPECT_EQ(key->ReadString("Expand"), "%WINDIR%\\X");  // not expanded
  EXPECT_EQ(key->ReadString("NoNul"), "abc");
  EXPECT_EQ(key->ReadString("Early"), "ab");
  EXPECT_EQ(key->ReadString("Absent"), "");
  EXPECT_EQ(key->ReadString("Number"), std::nullopt);
}

}  // namespace
