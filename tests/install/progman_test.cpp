// Program Manager groups and items over DDE.
#include "install/install.h"
#include "install/install_item.h"
#include "install/progman.h"
#include "tests/install/doubles.h"
#include "tests/install/recorded_task.h"

namespace {

using Link = std::pair<std::string, std::string>;

class ProgmanTest : public doubles::PlatformTest, public RecordedTask {
 protected:
  ProgmanTest() : RecordedTask("Grupo") {}
};

TEST_F(ProgmanTest, ExecuteTriesTheThreeLinksInOrder) {
  dde.Answering = {};
  EXPECT_EQ(ProgmanExecute("[X]"), 1);
  EXPECT_EQ(dde.Tries,
            (std::vector<Link>{{"PROGMAN", "PROGMAN"}, {"", "PROGMAN"}, {"PROGMAN", ""}}));
  EXPECT_EQ(dde.Open, 0);

  dde.Tries.clear();
  dde.Answering = {{"PROGMAN", ""}};
  EXPECT_EQ(ProgmanExecute("[X]"), 0);
  EXPECT_EQ(dde.Tries.size(), 3u);
  EXPECT_EQ(dde.Sent, std::vector<std::string>{"[X]"});

  dde.Tries.clear();
  dde.Answering = {{"PROGMAN", "PROGMAN"}, {"", "PROGMAN"}};
  EXPECT_EQ(ProgmanExecute("[Y]"), 0);
  EXPECT_EQ(dde.Tries, (std::vector<Link>{{"PROGMAN", "PROGMAN"}}));

  dde.ExecuteFails = true;
  EXPECT_EQ(ProgmanExecute("[Z]"), 1);
  EXPECT_EQ(dde.Open, 0);
}

TEST_F(ProgmanTest, CreateGroupThenAddGroupItemSendTheCommands) {
  EXPECT_TRUE(task.CreateGroup("URDA"));
  EXPECT_TRUE(task.AddGroupItem("RUDODez", "C:\\RUDOdez", "TAVO.EXE", ""));
  EXPECT_EQ(dde.Sent,
            (std::vector<std::string>{"[CreateGroup(URDA)]\r\n",
                                      "[AddItem(C:\\RUDOdez\\TAVO.EXE,RUDODez,,,)]\r\n"}));
  EXPECT_EQ(items, (std::vector<std::string>{"Criando grupo \"URDA\"",
                                             "Criando \xED"
                                             "cone para \"C:\\RUDOdez\\TAVO.EXE\""}));
  EXPECT_EQ(afters.size(), 2u);
  EXPECT_EQ(afters[1].first, 0);
}

TEST_F(ProgmanTest, ArgumentsGoInVerbatimWithTheIconInTheThirdSlot) {
  EXPECT_TRUE(task.AddGroupItem("A,B)", "C:\\X\\", "P.EXE", "ICON.ICO"));
  EXPECT_TRUE(task.CreateGroup("G(1),2"));
  EXPECT_EQ(dde.Sent,
            (std::vector<std::string>{"[AddItem(C:\\X\\P.EXE,A,B),C:\\X\\ICON.ICO,,)]\r\n",
                                      "[CreateGroup(G(1),2)]\r\n"}));
}

TEST_F(ProgmanTest, AnUnreachableShellFailsIntoTheRetryBox) {
  dde.Answering = {};
  ui.Answers = {platform::mrRetry, platform::mrAbort};
  EXPECT_FALSE(task.CreateGroup("URDA"));
  // Each retry runs the whole connection sequence again.
  EXPECT_EQ(dde.Tries.size(), 6u);
  ASSERT_EQ(ui.Boxes.size(), 2u);
  EXPECT_EQ(ui.Boxes[0].Text, "Erro na cria\xE7\xE3o do grupo \"URDA\"");
  EXPECT_EQ(ui.Boxes[0].Buttons, platform::mbAbort | platform::mbRetry | platform::mbIgnore);
  EXPECT_EQ(afters.back(),
            (std::pair<std::int32_t, std::string>{3, "Erro na cria\xE7\xE3o do grupo \"URDA\""}));

  ui.Answers = {platform::mrIgnore};
  EXPECT_TRUE(task.AddGroupItem("RUDODez", "C:\\RUDOdez", "TAVO.EXE", ""));
  EXPECT_EQ(ui.Boxes.back().Text,
            "Erro na cria\xE7\xE3o do \xED"
            "cone para \"C:\\RUDOdez\\TAVO.EXE\"");
  EXPECT_EQ(afters.back().first, 5);
}

TEST_F(ProgmanTest, CountingOpensNoConversation) {
  task.Execute(true);
  EXPECT_TRUE(task.CreateGroup("URDA"));
  EXPECT_TRUE(task.AddGroupItem("RUDODez", "C:\\RUDOdez", "TAVO.EXE", ""));
  EXPECT_EQ(list.OperationCount, 2);
  EXPECT_TRUE(dde.Tries.empty());
  EXPECT_TRUE(items.empty());
}

}  // namespace
