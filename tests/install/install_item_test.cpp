// The install task: run and counting modes, disk checks, notifications, and the attempt loop
// with its error box, seen through WriteIniString (the simplest operation that can fail).
#include "install/install.h"
#include "install/install_item.h"
#include "tests/install/doubles.h"

namespace {

using platform::MsgType;

const char kIniError[] = "Erro na atualiza\xE7\xE3o do arquivo C:\\X\\A.INI";

struct Notification {
  std::string What;  // "before" or "after"
  std::string Group, Item;
  std::int32_t Action = -1;
  std::string Error;
  bool operator==(const Notification&) const = default;
};

class TaskTest : public doubles::PlatformTest {
 protected:
  TaskTest() {
    list.AddTask(&task);
    task.Title =
        "Configura\xE7\xF5"
        "es";
    task.BeforeExecute = [this](TObject* sender, const std::string& group,
                                const std::string& item) {
      EXPECT_EQ(sender, &task);
      log.push_back({"before", group, item, -1, ""});
    };
    task.AfterExecute = [this](TObject* sender, std::int32_t action, const std::string& error) {
      EXPECT_EQ(sender, &task);
      log.push_back({"after", "", "", action, error});
    };
  }

  // Runs an operation on the task as its handler would, in a real run.
  bool WriteIni() { return task.WriteIniString("C:\\X", "A.INI", "S", "K", "V"); }

  Notification Before() const {
    return {"before",
            "Configura\xE7\xF5"
            "es",
            "Atualizando arquivo C:\\X\\A.INI", -1, ""};
  }
  static Notification After(std::int32_t action, const std::string& error) {
    return {"after", "", "", action, error};
  }

  TInstall list;
  TInstallItem task;
  std::vector<Notification> log;
};

TEST_F(TaskTest, StartsEnabledNotCriticalOnNoDisk) {
  TInstallItem item;
  EXPECT_TRUE(item.Enabled);
  EXPECT_FALSE(item.Critical);
  EXPECT_FALSE(item.Counting);
  EXPECT_EQ(item.DiskNum, 0);
  EXPECT_EQ(item.DiskFileID, "");
  EXPECT_EQ(item.TaskList, nullptr);
}

TEST_F(TaskTest, ExecuteReturnsWhatTheHandlerLeftInContinue) {
  EXPECT_TRUE(task.Execute(false));  // no handler
  task.OnExecute = [](TObject*, bool&) {};
  EXPECT_FALSE(task.Execute(false));  // never set
  task.OnExecute = [&](TObject* sender, bool& cont) {
    EXPECT_EQ(sender, &task);
    EXPECT_FALSE(cont);
    cont = true;
  };
  EXPECT_TRUE(task.Execute(false));
  EXPECT_TRUE(task.Execute(true));
  EXPECT_TRUE(task.Counting);
  task.Execute(false);
  EXPECT_FALSE(task.Counting);
}

TEST_F(TaskTest, ADisabledTaskSucceedsWithoutHandlerDiskPromptOrCount) {
  int calls = 0;
  task.OnExecute = [&](TObject*, bool& cont) {
    ++calls;
    cont = false;
  };
  task.Enabled = false;
  task.DiskNum = 2;
  EXPECT_TRUE(task.Execute(false));
  EXPECT_TRUE(task.Execute(true));
  EXPECT_EQ(calls, 0);
  EXPECT_TRUE(ui.Boxes.empty());
  // Its operations, called anyway in counting mode, count nothing and do nothing.
  EXPECT_TRUE(task.IsCounting());
  EXPECT_TRUE(WriteIni());
  EXPECT_EQ(list.OperationCount, 0);
  EXPECT_TRUE(profile.Writes.empty());
}

TEST_F(TaskTest, CountingSkipsTheDiskCheckButRunsTheHandler) {
  task.DiskNum = 2;
  task.DiskFileID = "NOWHERE.PCK";
  task.OnExecute = [&](TObject*, bool& cont) { cont = WriteIni(); };
  EXPECT_TRUE(task.Execute(true));
  EXPECT_EQ(list.OperationCount, 1);
  EXPECT_TRUE(ui.Boxes.empty());
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(list.CurrentDisk, 1);
}

TEST_F(TaskTest, ARealRunOnAnotherDiskAsksForItAndStopsWhenTheUserLeaves) {
  list.SourceDir = "Z:\\NO\\SUCH\\PLACE\\DISK1\\";
  task.DiskNum = 2;
  task.DiskFileID = "W.PCK";
  int calls = 0;
  task.OnExecute = [&](TObject*, bool& cont) {
    ++calls;
    cont = true;
  };
  ui.Answers = {platform::mrCancel, platform::mrYes};
  EXPECT_FALSE(task.Execute(false));
  EXPECT_EQ(calls, 0);
  EXPECT_EQ(list.CurrentDisk, 2);
  EXPECT_EQ(list.SourceDir, "Z:\\NO\\SUCH\\PLACE\\DISK2\\");
  // Now on disk 2: no further check for a task on disk 2.
  EXPECT_TRUE(task.Execute(false));
  EXPECT_EQ(calls, 1);
}

TEST_F(TaskTest, AnItemOutsideATaskListRunsWithoutDiskCheckOrCount) {
  TInstallItem loose;
  loose.DiskNum = 3;
  loose.OnExecute = [&](TObject*, bool& cont) {
    cont = loose.WriteIniString("C:\\", "B.INI", "S", "K", "V");
  };
  EXPECT_TRUE(loose.Execute(true));
  EXPECT_TRUE(profile.Writes.empty());
  EXPECT_TRUE(loose.Execute(false));
  EXPECT_EQ(profile.Stored(), 1u);
}

TEST_F(TaskTest, ASuccessNotifiesOnceBeforeAndOnceAfter) {
  EXPECT_TRUE(WriteIni());
  EXPECT_EQ(log, (std::vector<Notification>{Before(), After(0, "")}));
  EXPECT_EQ(task.LastError, "");
  EXPECT_TRUE(ui.Boxes.empty());
  // Messages are processed after each notification and before the retry decision.
  EXPECT_EQ(ui.Pumps, 3);
}

TEST_F(TaskTest, RetryAfterFailuresEndsInOneSuccessfulNotificationPair) {
  profile.FailuresLeft = 2;
  ui.Answers = {platform::mrRetry, platform::mrRetry};
  EXPECT_TRUE(WriteIni());
  EXPECT_EQ(log, (std::vector<Notification>{Before(), After(0, "")}));
  ASSERT_EQ(ui.Boxes.size(), 2u);
  EXPECT_EQ(ui.Boxes[0].Text, kIniError);
  EXPECT_EQ(ui.Boxes[0].Type, MsgType::Error);
  EXPECT_EQ(ui.Boxes[0].Buttons, platform::mbAbort | platform::mbRetry | platform::mbIgnore);
  EXPECT_EQ(task.LastError, "");
  EXPECT_EQ(profile.Stored(), 1u);
}

TEST_F(TaskTest, AbortFailsTheOperationWithTheErrorText) {
  profile.FailuresLeft = 1;
  ui.Answers = {platform::mrAbort};
  EXPECT_FALSE(WriteIni());
  EXPECT_EQ(log, (std::vector<Notification>{Before(), After(3, kIniError)}));
  EXPECT_EQ(task.LastError, kIniError);
}

TEST_F(TaskTest, IgnorePassesTheFailureOver) {
  profile.FailuresLeft = 2;
  ui.Answers = {platform::mrRetry, platform::mrIgnore};
  EXPECT_TRUE(WriteIni());
  EXPECT_EQ(log, (std::vector<Notification>{Before(), After(5, kIniError)}));
  EXPECT_EQ(profile.Stored(), 0u);
  // The next successful operation clears the error again.
  EXPECT_TRUE(WriteIni());
  EXPECT_EQ(log.back(), After(0, ""));
}

TEST_F(TaskTest, ACriticalTaskOffersNoIgnore) {
  task.Critical = true;
  profile.FailuresLeft = 2;
  ui.Answers = {platform::mrRetry, platform::mrAbort};
  EXPECT_FALSE(WriteIni());
  ASSERT_EQ(ui.Boxes.size(), 2u);
  for (const auto& box : ui.Boxes) {
    EXPECT_EQ(box.Buttons, platform::mbAbort | platform::mbRetry);
    EXPECT_EQ(box.Type, MsgType::Error);
  }
  EXPECT_EQ(log.back(), After(3, kIniError));
}

TEST_F(TaskTest, AnIgnoreAnswerToACriticalTaskAborts) {
  // Whatever box was shown: a box the platform could not strip of Ignore must not let a
  // critical failure pass.
  task.Critical = true;
  profile.FailuresLeft = 1;
  ui.Answers = {platform::mrIgnore};
  EXPECT_FALSE(WriteIni());
  EXPECT_EQ(log.back(), After(3, kIniError));
}

TEST_F(TaskTest, AnErrorBoxThatCannotBeShownAborts) {
  profile.FailuresLeft = 1;
  ui.Answers = {platform::mrNone};
  EXPECT_FALSE(WriteIni());
  EXPECT_EQ(log.back(), After(3, kIniError));
}

TEST_F(TaskTest, AskRetryDecidesByTheAnswer) {
  bool success = true;
  std::int32_t action = -1;
  task.LastError = "old";
  EXPECT_TRUE(task.AskRetry(success, "e", action));
  EXPECT_TRUE(success);
  EXPECT_EQ(action, 0);
  EXPECT_EQ(task.LastError, "");

  success = false;
  ui.Answers = {platform::mrRetry};
  EXPECT_FALSE(task.AskRetry(success, "e", action));
  EXPECT_FALSE(success);
  EXPECT_EQ(action, 4);
  EXPECT_EQ(task.LastError, "e");

  ui.Answers = {platform::mrIgnore};
  EXPECT_TRUE(task.AskRetry(success, "e", action));
  EXPECT_TRUE(success);
  EXPECT_EQ(action, 5);
}

TEST_F(TaskTest, OperationsUseTheStateOfTheItemTheyAreCalledOn) {
  // Another task's handler runs this task's operation: the notifications and the count go to
  // the task the operation was called on.
  TInstallItem other;
  list.AddTask(&other);
  other.OnExecute = [&](TObject*, bool& cont) { cont = WriteIni(); };
  task.Execute(true);  // puts task in counting mode
  other.Execute(true);
  EXPECT_EQ(list.OperationCount, 1);
  task.Execute(false);
  EXPECT_TRUE(other.Execute(false));
  EXPECT_EQ(log, (std::vector<Notification>{Before(), After(0, "")}));
}

}  // namespace
