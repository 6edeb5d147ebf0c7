// The whole program as SETUP.EXE runs it (the four windows, the main window's activation, the
// wizard, the run and the end), with a script that answers the wizard from a timer and doubles
// for everything the run would change on the machine.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>

#include "app/control_ids.h"
#include "app/frm_app.h"
#include "app/frm_data.h"
#include "app/frm_readme.h"
#include "app/frm_status.h"
#include "app/win_kit.h"
#include "platform/exception.h"
#include "tests/app/doubles.h"

namespace {

// The test's hand on the wizard: called from a timer while the program runs.
std::function<void()> g_script;
void CALLBACK RunScript(HWND, UINT, UINT_PTR, DWORD) {
  if (g_script) g_script();
}

class InstallFlowTest : public ::testing::Test {
 protected:
  apptest::Doubles doubles;
  std::unique_ptr<TComponent> application = std::make_unique<TComponent>();
  TFrmApp* frmApp = nullptr;
  TFrmData* frmData = nullptr;
  TFrmStatus* frmStatus = nullptr;
  bool wizardSeen = false;
  bool statusSeen = false;

  void SetUp() override {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    frmApp = new TFrmApp(application.get());
    frmData = &frmApp->Data();
    frmStatus = &frmApp->Status();
    new TFrmReadMe(application.get(), frmApp->Handle());
  }

  // A main window that goes ends the program's message loop; the next test starts a new one.
  void TearDown() override {
    application.reset();
    MSG msg;
    PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
  }

  HWND Wizard(int id) const { return GetDlgItem(frmData->Handle(), id); }
  void Click(int id) const { SendMessageA(Wizard(id), BM_CLICK, 0, 0); }

  // Runs the program until its main window closes; onWizard acts once the wizard is up.
  void Run(const std::function<void()>& onWizard) {
    DWORD start = GetTickCount();
    g_script = [&] {
      if (frmStatus->Handle() && IsWindowVisible(frmStatus->Handle())) statusSeen = true;
      if (!wizardSeen && frmData->Handle() && IsWindowVisible(frmData->Handle())) {
        wizardSeen = true;
        onWizard();
      } else if (GetTickCount() - start > 20000 && frmApp->Handle()) {
        ADD_FAILURE() << "the program did not end; wizard seen: " << wizardSeen;
        if (frmData->Handle()) PostMessageA(frmData->Handle(), WM_COMMAND, IDCANCEL, 0);
        start = GetTickCount();
      }
    };
    UINT_PTR timer = SetTimer(nullptr, 0, 50, RunScript);
    frmApp->Show();
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    KillTimer(nullptr, timer);
    g_script = nullptr;
  }
};

TEST_F(InstallFlowTest, CancelledWizardEndsTheProgramWithoutAnyChange) {
  doubles.Profile.WriteString("TAVO.INI", "INSTALL", "Path", "D:\\X");
  doubles.Profile.WriteString("TAVO.INI", "INSTALL", "Type", "3");
  doubles.Profile.WriteString("TAVO.INI", "INSTALL", "Port", "2");
  doubles.Profile.Writes.clear();
  const std::string engineDir = frmApp->Install()->EngineDir;

  std::string target, idapi;
  int type = -1, port = -1;
  bool maximised = false;
  COLORREF top = 1, bottom = 1;
  Run([&] {
    target = app::GetText(Wizard(ids::edtTarget));
    idapi = app::GetText(Wizard(ids::edtIDAPI));
    type = static_cast<int>(SendMessageA(Wizard(ids::cboType), CB_GETCURSEL, 0, 0));
    port = static_cast<int>(SendMessageA(Wizard(ids::cboPort), CB_GETCURSEL, 0, 0));
    maximised = IsZoomed(frmApp->Handle()) != FALSE;
    // The background as the main window paints it.
    RECT client;
    GetClientRect(frmApp->Handle(), &client);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, client.right, client.bottom);
    HGDIOBJ old = SelectObject(dc, bitmap);
    SendMessageA(frmApp->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    top = GetPixel(dc, 5, 2);
    bottom = GetPixel(dc, 5, client.bottom - 1);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    PostMessageA(frmData->Handle(), WM_COMMAND, IDCANCEL, 0);
  });

  EXPECT_TRUE(wizardSeen);
  EXPECT_EQ(target, "D:\\X");
  EXPECT_EQ(idapi, engineDir);
  EXPECT_EQ(type, 3);
  EXPECT_EQ(port, 2);
  EXPECT_TRUE(maximised);
  EXPECT_EQ(top, RGB(0, 0, 255));
  EXPECT_EQ(bottom, RGB(0, 0, 0));

  EXPECT_EQ(frmApp->Handle(), nullptr);  // closed, which ends the program
  EXPECT_FALSE(statusSeen);
  EXPECT_TRUE(doubles.Profile.Writes.empty());
  EXPECT_TRUE(doubles.Dde.Sent.empty());
  EXPECT_TRUE(doubles.Ui.Boxes.empty());
  EXPECT_EQ(doubles.RegistryString("SOFTWARE\\Borland\\Database Engine", "DLLPATH"), "<none>");
}

TEST_F(InstallFlowTest, WizardAnswersDecideWhatRunsAndTheRunEndsWithItsMessage) {
  std::string group, item;
  LRESULT position = -1, maximum = -1;
  bool statusUp = false, closedUnderTheRun = false;
  doubles.Ui.Answer = [&](const apptest::Box&) {
    // Closing the main window now would free the task list under the running flow.
    SendMessageA(frmApp->Handle(), WM_CLOSE, 0, 0);
    closedUnderTheRun = !IsWindow(frmApp->Handle());
    HWND status = frmStatus->Handle();
    statusUp = IsWindowVisible(status) != FALSE;
    group = app::GetText(GetDlgItem(status, ids::lblGroup));
    item = app::GetText(GetDlgItem(status, ids::lblItem));
    position = SendMessageA(GetDlgItem(status, ids::StatusBar), PBM_GETPOS, 0, 0);
    maximum = SendMessageA(GetDlgItem(status, ids::StatusBar), PBM_GETRANGE, FALSE, 0);
    return platform::mrOk;
  };
  Run([&] {
    Click(ids::chkAccept);
    Click(ids::btnNext);
    Click(ids::chkBin);    // no application, database, images or settings
    Click(ids::chkIDAPI);  // no database engine
    app::SetText(Wizard(ids::edtTarget), "E:\\Prog");
    Click(ids::btnNext);
    Click(ids::btnNext);
    Click(ids::btnNext);  // "&Instala"
  });

  EXPECT_EQ(doubles.Dde.Sent,
            (std::vector<std::string>{"[CreateGroup(URDA)]\r\n",
                                      "[AddItem(E:\\Prog\\TAVO.EXE,RUDODez,,,)]\r\n"}));
  EXPECT_TRUE(doubles.Profile.Writes.empty());
  ASSERT_EQ(doubles.Ui.Boxes.size(), 1u);
  EXPECT_EQ(doubles.Ui.Boxes[0].Text, "Instala\xE7\xE3o completa com sucesso");
  // The status window is still up under the final message, with the last operation and a full bar.
  EXPECT_TRUE(statusUp);
  EXPECT_EQ(group, "Cria\xE7\xE3o de Grupos/Icones");
  EXPECT_EQ(item,
            "Criando \xED"
            "cone para \"E:\\Prog\\TAVO.EXE\"");
  EXPECT_EQ(maximum, 2);
  EXPECT_EQ(position, 2);
  EXPECT_FALSE(closedUnderTheRun);
  EXPECT_EQ(frmApp->Handle(), nullptr);
}

TEST_F(InstallFlowTest, FailureNoOperationCatchesIsShownAndTheProgramEnds) {
  doubles.Dde.Answering.clear();
  doubles.Ui.Answer = [](const apptest::Box& box) -> int {
    if (box.Buttons & platform::mbAbort) throw Exception("Sem recursos para a janela");
    return platform::mrOk;
  };
  Run([&] {
    Click(ids::chkAccept);
    Click(ids::btnNext);
    Click(ids::chkBin);
    Click(ids::chkIDAPI);
    for (int i = 0; i < 3; ++i) Click(ids::btnNext);
  });
  // The group's error box failed; the run ends there, with that failure instead of a
  // completion message, and the program still closes normally.
  ASSERT_EQ(doubles.Ui.Boxes.size(), 2u);
  EXPECT_EQ(doubles.Ui.Boxes[1].Text, "Sem recursos para a janela");
  EXPECT_EQ(doubles.Ui.Boxes[1].Type, platform::MsgType::Error);
  EXPECT_EQ(doubles.Ui.Boxes[0].Text, "Erro na cria\xE7\xE3o do grupo \"URDA\"");
  EXPECT_EQ(frmApp->Handle(), nullptr);
}

// A machine whose engine registration has no DLL path, as a fresh Wine prefix has.
class EngineWithoutPathTest : public InstallFlowTest {
 protected:
  EngineWithoutPathTest() {  // before the task list reads the registry
    doubles.Registry
        .OpenKey(platform::RootKey::LocalMachine, "SOFTWARE\\Borland\\Database Engine", true)
        ->WriteString("CONFIGFILE01", "C:\\BDE\\IDAPI32.CFG");
    doubles.Registry
        .OpenKey(platform::RootKey::LocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion",
                 true)
        ->WriteString("CommonFilesDir", "D:\\Programas\\Arquivos comuns");
  }
};

TEST_F(EngineWithoutPathTest, WizardOffersTheEnginesStandardPlaceInsteadOfNothing) {
  ASSERT_EQ(frmApp->Install()->EngineDir, "");
  std::string idapi;
  Run([&] {
    idapi = app::GetText(Wizard(ids::edtIDAPI));
    PostMessageA(frmData->Handle(), WM_COMMAND, IDCANCEL, 0);
  });
  EXPECT_EQ(idapi, "D:\\Programas\\Arquivos comuns\\Borland Shared\\BDE");
}

TEST_F(InstallFlowTest, BottomLinesStandByTheScreenHeightWhateverTheWindowSize) {
  const int screen = GetSystemMetrics(SM_CYSCREEN);
  auto top = [&](int id) {
    RECT r;
    GetWindowRect(GetDlgItem(frmApp->Handle(), id), &r);
    POINT p{r.left, r.top};
    ScreenToClient(frmApp->Handle(), &p);
    return p;
  };
  EXPECT_EQ(top(ids::lblCopyright).y, screen - 70);
  EXPECT_EQ(top(ids::lblAllRights).y, screen - 52);
  EXPECT_EQ(top(ids::lblCopyright).x, 41);
  EXPECT_EQ(top(ids::lblWelcome).x, 32);
  EXPECT_EQ(top(ids::lblWelcome).y, 24);
  EXPECT_EQ(app::GetText(GetDlgItem(frmApp->Handle(), ids::lblWelcome)),
            "Bem-vindo a Pesquisa TAVO/TAVO-Fiscal");
  EXPECT_EQ(app::GetText(GetDlgItem(frmApp->Handle(), ids::Label1)), "(Simulador Web)");
}

}  // namespace
