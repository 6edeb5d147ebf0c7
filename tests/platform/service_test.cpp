// The service slots: whatever a setter installs goes again with its guard, and what was there
// before comes back, whoever had installed it.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "platform/drive.h"
#include "platform/profile.h"
#include "platform/ui.h"
#include "tests/support/doubles.h"

namespace {

TEST(ServiceGuard, PutsBackWhatWasThereNotTheHostDefault) {
  platform::UserInterface* const host = &platform::Ui();
  testsupport::ScriptedUi outer, inner;
  {
    auto first = platform::SetUi(&outer);
    EXPECT_EQ(&platform::Ui(), &outer);
    {
      auto second = platform::SetUi(&inner);
      EXPECT_EQ(&platform::Ui(), &inner);
      // nullptr stands for the host's own, for a while too.
      auto console = platform::SetUi(nullptr);
      EXPECT_EQ(&platform::Ui(), host);
    }
    EXPECT_EQ(&platform::Ui(), &outer);
  }
  EXPECT_EQ(&platform::Ui(), host);
}

TEST(ServiceGuard, AMovedGuardRestoresOnceWhenTheLastOwnerGoes) {
  platform::Profile* const host = &platform::CurrentProfile();
  testsupport::MemoryProfile profile;
  {
    auto moved = [&] {
      auto guard = platform::SetProfile(&profile);
      return guard;
    }();
    EXPECT_EQ(&platform::CurrentProfile(), &profile);
    auto last = std::move(moved);
    EXPECT_EQ(&platform::CurrentProfile(), &profile);
  }
  EXPECT_EQ(&platform::CurrentProfile(), host);
}

TEST(ServiceGuard, DriveTypeQueriesNestAndTheSystemAnswersAgainAfterwards) {
  const std::string root = "C:\\";
  const platform::DriveType system = platform::DriveTypeOf(root);
  {
    auto removable = platform::SetDriveTypeQuery(
        [](const std::string&) { return platform::DriveType::Removable; });
    {
      auto cdRom = platform::SetDriveTypeQuery(
          [](const std::string&) { return platform::DriveType::CdRom; });
      EXPECT_EQ(platform::DriveTypeOf(root), platform::DriveType::CdRom);
    }
    EXPECT_EQ(platform::DriveTypeOf(root), platform::DriveType::Removable);
  }
  EXPECT_EQ(platform::DriveTypeOf(root), system);
}

}  // namespace
