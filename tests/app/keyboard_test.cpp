// The wizard and the readme viewer driven from the keyboard alone, with real key input (and one
// real click into the terms text): after every key, where the focus is and what the key did.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "app/control_ids.h"
#include "app/frm_data.h"
#include "app/frm_readme.h"
#include "app/win_kit.h"
#include "tests/app/doubles.h"
#include "tests/e2e/uidriver/driver.h"

namespace {

using uidriver::SendKey;

// Lets the input queue run dry: real input reaches the window only as its messages are pumped.
void Settle() {
  for (int i = 0; i < 8; ++i) {
    platform::ProcessMessages();
    Sleep(15);
  }
}

void Press(WORD key, std::initializer_list<WORD> modifiers = {}) {
  SendKey(key, modifiers);
  Settle();
}

// A real left click at the middle of control. Two clicks in a row would make a double click,
// which does not focus a text box: each waits that long first.
void ClickInto(HWND control) {
  Sleep(GetDoubleClickTime() + 50);
  RECT r;
  GetWindowRect(control, &r);
  INPUT inputs[3] = {};
  for (INPUT& input : inputs) input.type = INPUT_MOUSE;
  inputs[0].mi.dx = ((r.left + r.right) / 2) * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
  inputs[0].mi.dy = ((r.top + r.bottom) / 2) * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
  inputs[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  inputs[2].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(3, inputs, sizeof(INPUT));
  Settle();
}

class KeyboardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
  }
  // Brings window to the front with the keyboard, as a window the user just opened.
  static void Front(HWND window) {
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    SetActiveWindow(window);
    Settle();
    ASSERT_EQ(GetForegroundWindow(), window) << "the window did not come to the front";
  }
  static int Focused() { return GetDlgCtrlID(GetFocus()); }
};

class WizardKeysTest : public KeyboardTest {
 protected:
  apptest::Doubles doubles;
  std::unique_ptr<TFrmData> data;

  void SetUp() override {
    KeyboardTest::SetUp();
    data = std::make_unique<TFrmData>(nullptr, nullptr);
    Front(data->Handle());
  }
  HWND Item(int id) const { return GetDlgItem(data->Handle(), id); }
  bool Checked(int id) const { return SendMessageA(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
  // Ticks the terms from the keyboard: the box has the focus when the wizard opens.
  void AcceptTerms() {
    ASSERT_EQ(Focused(), ids::chkAccept);
    Press(VK_SPACE);
    ASSERT_TRUE(Checked(ids::chkAccept));
  }
};

TEST_F(WizardKeysTest, TabWalksTheUsableControlsAndSkipsTheTermsText) {
  EXPECT_EQ(Focused(), ids::chkAccept);
  // "Next" is disabled, "Readme" hidden and "Back" disabled: Tab goes round the two left.
  Press(VK_TAB);
  EXPECT_EQ(Focused(), ids::btnCancel);
  Press(VK_TAB);
  EXPECT_EQ(Focused(), ids::chkAccept);
  Press(VK_TAB, {VK_SHIFT});
  EXPECT_EQ(Focused(), ids::btnCancel);
  Press(VK_TAB, {VK_SHIFT});
  EXPECT_EQ(Focused(), ids::chkAccept);

  // Accepted, "Next" joins the round between the page and Cancel.
  Press(VK_SPACE);
  EXPECT_TRUE(Checked(ids::chkAccept));
  EXPECT_TRUE(IsWindowEnabled(Item(ids::btnNext)));
  Press(VK_TAB);
  EXPECT_EQ(Focused(), ids::btnNext);
  Press(VK_TAB);
  EXPECT_EQ(Focused(), ids::btnCancel);
  Press(VK_TAB);
  EXPECT_EQ(Focused(), ids::chkAccept);
  // The arrow keys do not move the focus from a check box.
  Press(VK_DOWN);
  EXPECT_EQ(Focused(), ids::chkAccept);
  EXPECT_EQ(data->PageIndex(), 0);
}

TEST_F(WizardKeysTest, TheTermsTextScrollsOnceClickedAndTabLeavesIt) {
  HWND terms = Item(ids::memoTerms);
  ClickInto(terms);
  ASSERT_EQ(GetFocus(), terms) << "a click puts the focus into the terms";
  Press(VK_NEXT);
  EXPECT_EQ(GetFocus(), terms);
  EXPECT_GT(SendMessageA(terms, EM_GETFIRSTVISIBLELINE, 0, 0), 0) << "Page Down scrolls the text";
  Press(VK_TAB);
  EXPECT_EQ(Focused(), ids::chkAccept);

  ClickInto(terms);
  ASSERT_EQ(GetFocus(), terms);
  Press(VK_TAB, {VK_SHIFT});
  EXPECT_EQ(Focused(), ids::btnCancel);
  // The text is read-only: the keys typed into it change nothing.
  const std::string text = app::GetText(terms);
  ClickInto(terms);
  Press('X');
  EXPECT_EQ(app::GetText(terms), text);
}

TEST_F(WizardKeysTest, AltKeysEnterAndTabCarryThroughEveryPage) {
  AcceptTerms();
  // Alt+P presses "&Próxima"; Alt+V is dropped while "&Volta" is disabled.
  Press('V', {VK_MENU});
  EXPECT_EQ(data->PageIndex(), 0);
  Press('P', {VK_MENU});
  ASSERT_EQ(data->PageIndex(), 1);

  // Page "Paths": its own order, then Next, Cancel, Back.
  std::vector<int> order;
  for (int i = 0; i < 7; ++i) {
    Press(VK_TAB);
    order.push_back(Focused());
  }
  const std::vector<int> round = {ids::btnCancel, ids::btnBack,  ids::edtTarget, ids::chkBin,
                                  ids::chkIDAPI,  ids::edtIDAPI, ids::btnNext};
  EXPECT_EQ(order, round);  // from Next, where Alt+P left the focus
  Press(VK_TAB, {VK_SHIFT});
  EXPECT_EQ(Focused(), ids::edtIDAPI);

  // Space toggles the focused component box.
  Press(VK_TAB, {VK_SHIFT});
  Press(VK_TAB, {VK_SHIFT});
  ASSERT_EQ(Focused(), ids::chkBin);
  Press(VK_SPACE);
  EXPECT_FALSE(data->AppChecked());
  Press(VK_SPACE);
  EXPECT_TRUE(data->AppChecked());

  // Alt+V goes back to "Intro", where "&Volta" is disabled and so gives up the focus; Enter
  // presses the focused "&Pr\xF3xima".
  Press('V', {VK_MENU});
  EXPECT_EQ(data->PageIndex(), 0);
  EXPECT_FALSE(IsWindowEnabled(Item(ids::btnBack)));
  EXPECT_NE(Focused(), ids::btnBack);
  Press('P', {VK_MENU});
  ASSERT_EQ(Focused(), ids::btnNext);
  Press(VK_RETURN);
  ASSERT_EQ(data->PageIndex(), 2);

  // Page "Default": the lists open with Alt+Down and choose with the arrows.
  Press(VK_TAB);  // Cancel
  Press(VK_TAB);  // Back
  Press(VK_TAB);
  ASSERT_EQ(Focused(), ids::cboType);
  HWND type = Item(ids::cboType);
  Press(VK_DOWN, {VK_MENU});
  EXPECT_TRUE(SendMessageA(type, CB_GETDROPPEDSTATE, 0, 0));
  Press(VK_DOWN);
  Press(VK_DOWN);
  Press(VK_RETURN);
  EXPECT_FALSE(SendMessageA(type, CB_GETDROPPEDSTATE, 0, 0));
  EXPECT_EQ(data->TypeIndex(), 2);
  EXPECT_EQ(data->PageIndex(), 2) << "Enter in an open list only chooses";
  Press(VK_TAB);
  ASSERT_EQ(Focused(), ids::cboPort);
  Press(VK_DOWN);
  EXPECT_EQ(data->PortIndex(), 1);
  Press(VK_DOWN, {VK_MENU});
  Press(VK_UP);
  Press(VK_RETURN);
  EXPECT_EQ(data->PortIndex(), 0);
  EXPECT_EQ(Focused(), ids::cboPort);

  // Page "Finish": Alt+I installs.
  Press('P', {VK_MENU});
  ASSERT_EQ(data->PageIndex(), 3);
  EXPECT_EQ(app::GetText(Item(ids::btnNext)), "&Instala");
  Press('P', {VK_MENU});  // no longer a mnemonic of anything
  EXPECT_EQ(data->PageIndex(), 3);
  SendKey('I', {VK_MENU});
  EXPECT_EQ(data->ShowModal(), IDOK);
}

TEST_F(WizardKeysTest, EscCancelsFromAnyControlTheTermsTextIncluded) {
  SendKey(VK_ESCAPE);
  EXPECT_EQ(data->ShowModal(), IDCANCEL);
  Front(data->Handle());
  ClickInto(Item(ids::memoTerms));
  ASSERT_EQ(Focused(), ids::memoTerms);
  SendKey(VK_ESCAPE);
  EXPECT_EQ(data->ShowModal(), IDCANCEL);
  EXPECT_EQ(data->PageIndex(), 0);
}

TEST_F(WizardKeysTest, EnterOnACheckBoxPressesNothing) {
  AcceptTerms();
  Press(VK_RETURN);
  EXPECT_EQ(data->PageIndex(), 0);
  EXPECT_TRUE(Checked(ids::chkAccept));
  EXPECT_EQ(Focused(), ids::chkAccept);
}

class ReadMeKeysTest : public KeyboardTest {
 protected:
  apptest::Doubles doubles;  // the missing readme's box goes here
  TFrmReadMe viewer{nullptr, nullptr};
  HWND Item(int id) const { return GetDlgItem(viewer.Handle(), id); }
  void SetUp() override {
    KeyboardTest::SetUp();
    Front(viewer.Handle());
  }
};

TEST_F(ReadMeKeysTest, TabGoesRoundTheTextAndOkAndTheTextLetsGo) {
  EXPECT_EQ(Focused(), ids::OKBtn);
  Press(VK_TAB);
  EXPECT_EQ(Focused(), ids::memoReadme);
  Press(VK_TAB);
  EXPECT_EQ(Focused(), ids::OKBtn);
  Press(VK_TAB, {VK_SHIFT});
  EXPECT_EQ(Focused(), ids::memoReadme);
  Press(VK_TAB, {VK_SHIFT});
  EXPECT_EQ(Focused(), ids::OKBtn);
}

TEST_F(ReadMeKeysTest, EnterPressesOkAndEscCloses) {
  SendKey(VK_RETURN);
  EXPECT_EQ(viewer.ShowModal(), IDOK);
  Front(viewer.Handle());
  Press(VK_TAB);
  ASSERT_EQ(Focused(), ids::memoReadme);
  SendKey(VK_ESCAPE);
  EXPECT_EQ(viewer.ShowModal(), IDCANCEL);
}

}  // namespace
