// End-to-end scenarios of SETUP.EXE, driven like a user through its windows: each runs in a
// fresh Wine prefix (see run-scenario) from the demo distribution, then checks what the machine
// holds afterwards.
#include <gtest/gtest.h>

#include <windows.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "app/control_ids.h"
#include "platform/text.h"
#include "tests/e2e/setup_session.h"
#include "tests/e2e/uidriver/driver.h"

namespace e2e {
namespace {

using namespace uidriver;
using platform::UpperAscii;

const std::string kTarget = "C:\\RUDOdez";
// Used when the wizard offers no IDAPI directory (the machine names none).
const std::string kIdapiFallback = "C:\\Program Files\\Common Files\\Borland Shared\\BDE";
const std::string kCompleted = "Instala\xE7\xE3o completa com sucesso";
const std::string kIncomplete = "Instala\xE7\xE3o incompleta";

std::string WindowsDir() {
  char dir[MAX_PATH];
  GetWindowsDirectoryA(dir, MAX_PATH);
  return dir;
}

std::string GroupLink() { return ProgramsFolder() + "\\URDA\\RUDODez.lnk"; }

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Every file of every archive's sources lies byte for byte under its target.
void ExpectInstalledFiles(const std::string& target, const std::string& idapi) {
  for (const auto& a : ArchiveSources()) {
    const std::string dir = a.targetSuffix == "<idapi>" ? idapi : target + a.targetSuffix;
    size_t files = 0;
    for (const auto& src : a.sources) {
      for (const auto& name : FilesIn(src)) {
        ++files;
        const auto want = ReadWholeFile(src + "\\" + name);
        const auto got = ReadWholeFile(dir + "\\" + name);
        ASSERT_TRUE(want.has_value()) << src << "\\" << name;
        ASSERT_TRUE(got.has_value()) << a.archive << ": " << dir << "\\" << name << " is missing";
        EXPECT_TRUE(*got == *want) << a.archive << ": " << dir << "\\" << name << " differs";
      }
    }
    EXPECT_GT(files, 0u) << a.archive << " has no sources";
  }
}

std::vector<std::pair<std::string, std::string>> EngineValues(const std::string& idapi) {
  const std::string db = "SOFTWARE\\Borland\\Database Engine";
  const std::string init = db + "\\Settings\\DRIVERS\\PARADOX\\INIT|";
  const std::string create = db + "\\Settings\\DRIVERS\\PARADOX\\TABLE CREATE|";
  return {
      {db + "|DLLPATH", idapi},
      {db + "|RESOURCE", "0009"},
      {"SOFTWARE\\Borland\\BLW32|BLAPIPATH", idapi},
      {init + "VERSION", "4.0"},
      {init + "TYPE", "FILE"},
      {init + "LANGDRIVER", "ANSI850"},
      {create + "LEVEL", "7"},
      {create + "BLOCK SIZE", "2048"},
      {create + "FILL FACTOR", "95"},
      {create + "STRICTINTEGRTY", "TRUE"},
      {db + "\\Settings\\SYSTEM\\INIT|LOCAL SHARE", "TRUE"},
  };
}

std::optional<std::string> EngineValue(const std::string& keyAndName) {
  const auto bar = keyAndName.find('|');
  return MachineString(keyAndName.substr(0, bar), keyAndName.substr(bar + 1));
}

// Nothing of the product is on the machine.
void ExpectNothingInstalled(const std::string& idapi) {
  EXPECT_FALSE(Exists(kTarget)) << kTarget;
  EXPECT_FALSE(Exists(WindowsDir() + "\\TAVO.INI"));
  if (!idapi.empty()) {
    EXPECT_FALSE(Exists(idapi + "\\IDAPI32.DLL"));
  }
  for (const auto& [key, value] : EngineValues(idapi))
    EXPECT_FALSE(EngineValue(key).has_value()) << key;
  EXPECT_FALSE(Exists(ProgramsFolder() + "\\URDA"));
}

// The IDAPI directory the wizard offers, or the fallback typed in when it offers none.
std::string TakeIdapiDir(SetupRun& run) {
  std::string idapi = run.TextOf(ids::edtIDAPI);
  if (idapi.empty()) {
    Type(run.Control(ids::edtIDAPI), kIdapiFallback);
    idapi = kIdapiFallback;
  }
  return idapi;
}

// The (group, item) texts of the 32 operations of a full install with a port other than 80.
std::vector<std::pair<std::string, std::string>> FullRunOperations(const std::string& idapi) {
  const std::string src = UpperAscii(DistDir() + "\\");
  const std::string target = UpperAscii(kTarget);
  auto unpack = [&](const char* archive, const std::string& dir) {
    return "Expandindo " + src + archive + " para " + dir;
  };
  const std::string app = "Aplica\xE7\xE3o", db = "Banco de Dados",
                    cfg =
                        "Configura\xE7\xF5"
                        "es";
  const std::string bde = "Borland IDAPI";
  std::vector<std::pair<std::string, std::string>> ops = {
      {app + " (WebSrv)", unpack("WEB.PCK", target)},
      {app + " (Isapi)", unpack("ISA.PCK", target + "\\CGI-BIN")},
  };
  for (int twice = 0; twice < 2; ++twice) {  // "Banco de Dados", then "Imagens" through it
    ops.push_back({db, unpack("DB.PCK", target + "\\DB")});
    ops.push_back({db, unpack("IMG.PCK", target + "\\IMAGES")});
  }
  const std::string updating = "Atualizando arquivo ";
  for (int i = 0; i < 3; ++i) ops.push_back({cfg, updating + WindowsDir() + "\\TAVO.INI"});
  for (int i = 0; i < 3; ++i) ops.push_back({cfg, updating + kTarget + "\\TAVO.INI"});
  for (int i = 0; i < 3; ++i) ops.push_back({cfg, updating + kTarget + "\\cgi-bin\\TAVO.INI"});
  for (int i = 0; i < 2; ++i) ops.push_back({cfg, updating + kTarget + "\\TAVO.INI"});
  ops.push_back({bde, unpack("IDAPI32.PCK", UpperAscii(idapi))});
  ops.push_back({bde, unpack("LD32.PCK", UpperAscii(idapi))});
  for (int i = 0; i < 11; ++i) ops.push_back({bde, "Atualizando o Registry"});
  ops.push_back({"Cria\xE7\xE3o de Grupos/Icones", "Criando grupo \"URDA\""});
  ops.push_back({"Cria\xE7\xE3o de Grupos/Icones",
                 "Criando \xED"
                 "cone para \"" +
                     kTarget + "\\TAVO.EXE\""});
  return ops;
}

// Reads the status window's two lines until a message box shows; returns each distinct pair seen.
std::vector<std::pair<std::string, std::string>> WatchStatus(SetupRun& run, HWND status) {
  std::vector<std::pair<std::string, std::string>> seen;
  HWND group = Item(status, ids::lblGroup), item = Item(status, ids::lblItem);
  WaitUntil(
      [&] {
        // The run goes on between two reads: a pair counts when the item reads the same around it.
        const std::string before = Text(item);
        std::pair<std::string, std::string> now{Text(group), Text(item)};
        if (now.second == before && (seen.empty() || seen.back() != now)) seen.push_back(now);
        return run.App().FindBox() != nullptr || !run.App().Running();
      },
      60000);
  return seen;
}

// Answers the final box, which must say text, and waits for the program to end.
void Finish(SetupRun& run, const std::string& text, const char* shot = nullptr) {
  HWND box;
  const BoxInfo info = run.WaitBox(&box, 60000);
  if (shot) Snap(shot);
  EXPECT_EQ(info.text, text);
  EXPECT_EQ(info.buttons, std::vector<int>{IDOK});
  Answer(box, IDOK);
  EXPECT_EQ(run.App().WaitExit(), 0u);
}

// What a full install with "TAVO-Fiscal 1.1" and port 8888 leaves on the machine: every file, the
// three INI files, the engine's registry values and the Program Manager group.
void ExpectFullInstall(const std::string& idapi) {
  ExpectInstalledFiles(kTarget, idapi);
  EXPECT_EQ(ReadIni(WindowsDir() + "\\TAVO.INI"),
            (IniRows{{"INSTALL", {"Path=" + kTarget, "Type=1", "Port=4"}}}));
  EXPECT_EQ(ReadIni(kTarget + "\\TAVO.INI"),
            (IniRows{{"DEFAULTS",
                      {"RootPath=" + kTarget, "DefaultHost=http://127.0.0.1:8888", "Port=8888"}},
                     {"HTML", {"Cmd=/cgi-bin/tavo.dll/html/default?TIPO=F110"}},
                     {"VEXEC", {"/cgi-bin=" + kTarget + "\\cgi-bin"}}}));
  EXPECT_EQ(ReadIni(kTarget + "\\cgi-bin\\TAVO.INI"),
            (IniRows{{"ALIAS", {"images=" + kTarget + "\\images"}},
                     {"DATABASE", {"Path=" + kTarget + "\\db", "Ver=Dez/2003"}}}));
  for (const auto& [key, value] : EngineValues(idapi)) EXPECT_EQ(EngineValue(key), value) << key;
  // Program Manager carries out the group commands on its own time.
  EXPECT_TRUE(WaitUntil([] { return Exists(GroupLink()); }, 15000)) << GroupLink();
  EXPECT_EQ(ShortcutTarget(GroupLink()), kTarget + "\\TAVO.EXE");
}

// ---- 1: a full install, every page checked on the way ----

TEST(Setup, InstallsWhatTheWizardChose) {
  SetupRun run(DistDir());
  HWND main = run.App().Wait(ids::kClassFrmApp);
  EXPECT_EQ(Text(Item(main, ids::lblWelcome)), "Bem-vindo a Pesquisa TAVO/TAVO-Fiscal");
  EXPECT_EQ(Text(Item(main, ids::Label1)), "(Simulador Web)");

  HWND wiz = run.Wizard();
  EXPECT_EQ(Text(wiz), "Par\xE2metros de Instala\xE7\xE3o");
  // Page "Intro": nothing leads on before the terms are accepted.
  EXPECT_TRUE(IsVisible(run.Control(ids::lblName)));
  EXPECT_FALSE(IsVisible(run.Control(ids::edtTarget)));
  EXPECT_EQ(run.TextOf(ids::lblName),
            "Voc\xEA est\xE1 prestes a instalar a Pesquisa TAVO/TAVO-Fiscal. ");
  EXPECT_EQ(run.TextOf(ids::Label4),
            "Termo de Licen\xE7"
            "a de Uso");
  EXPECT_EQ(run.TextOf(ids::chkAccept),
            "Aceito e Concordo com os Termos da Licen\xE7"
            "a de Uso");
  EXPECT_FALSE(run.TextOf(ids::memoTerms).empty());
  EXPECT_FALSE(IsChecked(run.Control(ids::chkAccept)));
  EXPECT_EQ(run.TextOf(ids::btnNext), "&Pr\xF3xima");
  EXPECT_EQ(run.TextOf(ids::btnBack), "&Volta");
  EXPECT_EQ(run.TextOf(ids::btnCancel), "Cancel");
  EXPECT_FALSE(IsEnabled(run.Control(ids::btnNext)));
  EXPECT_FALSE(IsEnabled(run.Control(ids::btnBack)));
  EXPECT_TRUE(IsEnabled(run.Control(ids::btnCancel)));
  EXPECT_FALSE(IsVisible(run.Control(ids::btnReadme)));
  EXPECT_THROW(Click(run.Control(ids::btnNext)), DriverError);
  Snap("1-main-window-and-terms");

  // Accepting enables "Next"; withdrawing disables it again.
  HWND accept = run.Control(ids::chkAccept), next = run.Control(ids::btnNext);
  SetChecked(accept, true);
  EXPECT_TRUE(WaitUntil([&] { return IsEnabled(next); }, 5000));
  SetChecked(accept, false);
  EXPECT_TRUE(WaitUntil([&] { return !IsEnabled(next); }, 5000));
  SetChecked(accept, true);
  ASSERT_TRUE(WaitUntil([&] { return IsEnabled(next); }, 5000));
  Snap("2-terms-accepted");

  // Page "Paths".
  run.Press(ids::btnNext, ids::edtTarget);
  EXPECT_FALSE(IsVisible(run.Control(ids::lblName)));
  EXPECT_TRUE(IsEnabled(run.Control(ids::btnBack)));
  EXPECT_EQ(run.TextOf(ids::btnNext), "&Pr\xF3xima");
  EXPECT_EQ(run.TextOf(ids::Label5), "Selecione os componentes \xE0 serem instalados:");
  EXPECT_EQ(run.TextOf(ids::chkBin), "Aplica\xE7\xE3o");
  EXPECT_EQ(run.TextOf(ids::Label3), "Instala\xE7\xE3o do programa execut\xE1vel (.EXE)");
  EXPECT_EQ(run.TextOf(ids::Label11),
            "Mesmo que voce n\xE3o tenha selecionado esta op\xE7\xE3o, ainda sim, \xE9 "
            "necess\xE1rio o preenchimento do campo abaixo para que o programa de instala\xE7\xE3o "
            "possa criar os grupos e icones.");
  EXPECT_EQ(run.TextOf(ids::Label2), "Diret\xF3rio Destino (sem o nome do programa)");
  EXPECT_EQ(run.TextOf(ids::chkIDAPI), "IDAPI");
  EXPECT_EQ(run.TextOf(ids::Label10), "DLLs respons\xE1veis pelo gerenciamento do banco de dados.");
  EXPECT_EQ(run.TextOf(ids::Label8), "Diret\xF3rio IDAPI");
  EXPECT_TRUE(IsChecked(run.Control(ids::chkBin)));
  EXPECT_TRUE(IsChecked(run.Control(ids::chkIDAPI)));
  EXPECT_EQ(run.TextOf(ids::edtTarget), kTarget);  // no earlier run: the default
  const std::string idapi = TakeIdapiDir(run);
  Snap("3-paths");

  // Page "Default": the first run offers the first database and port 80.
  run.Press(ids::btnNext, ids::cboType);
  EXPECT_EQ(run.TextOf(ids::Label6),
            "Esta aplica\xE7\xE3o possui tanto o banco de dados da TAVO/TAVO-Fiscal. Selecione "
            "abaixo qual ser\xE1 o default de execu\xE7\xE3o do sistema:");
  EXPECT_EQ(run.TextOf(ids::lblDefaultDb), "Banco de Dados Default:");
  EXPECT_EQ(run.TextOf(ids::Label9),
            "Se voce possui em seu sistema alguma aplica\xE7\xE3o servidora na porta 80, utilize "
            "outra porta. Caso contr\xE1rio deixe configurado para porta 80.");
  EXPECT_EQ(run.TextOf(ids::Label12), "Porta");
  HWND type = run.Control(ids::cboType), port = run.Control(ids::cboPort);
  EXPECT_EQ(Items(type),
            (std::vector<std::string>{"TAVO 1.0", "TAVO-Fiscal 1.1", "TAVO", "TAVO-Fiscal 1.0"}));
  EXPECT_EQ(Items(port), (std::vector<std::string>{"80", "8080", "8088", "8880", "8888"}));
  EXPECT_EQ(ChosenItem(type), "TAVO 1.0");
  EXPECT_EQ(ChosenItem(port), "80");
  Choose(type, "TAVO-Fiscal 1.1");
  Choose(port, "8888");
  EXPECT_EQ(ChosenItem(type), "TAVO-Fiscal 1.1");
  EXPECT_EQ(ChosenItem(port), "8888");
  EXPECT_THROW(Choose(port, "9999"), DriverError);
  Snap("4-default");

  // Page "Finish": "Next" becomes "Install"; going back restores it.
  run.Press(ids::btnNext, ids::Label7);
  EXPECT_EQ(run.TextOf(ids::Label7),
            "Voc\xEA acaba de informar todos os dados necess\xE1rios para a instala\xE7\xE3o. Para "
            "iniciar o processo de instala\xE7\xE3o, pressione \"INSTALA\". Para rever os "
            "par\xE2metros selecionados, pressione \"VOLTA\".");
  EXPECT_EQ(run.TextOf(ids::btnNext), "&Instala");
  run.Press(ids::btnBack, ids::cboType);
  EXPECT_EQ(run.TextOf(ids::btnNext), "&Pr\xF3xima");
  EXPECT_EQ(ChosenItem(port), "8888");  // pages keep their answers
  run.Press(ids::btnNext, ids::Label7);
  EXPECT_EQ(run.TextOf(ids::btnNext), "&Instala");
  Snap("5-finish");

  // The run: the status window follows every task and operation, in run order.
  HWND status = run.Install();
  EXPECT_EQ(Text(status), "Status");
  EXPECT_EQ(Text(Item(status, ids::btnStatusCancel)), "Cancel");
  Snap("6-status");
  const auto expected = FullRunOperations(idapi);
  size_t next_op = 0;
  for (const auto& op : WatchStatus(run, status)) {
    if (op.first.empty() && op.second == "Doing something...") continue;  // before the first
    while (next_op < expected.size() && expected[next_op] != op) ++next_op;
    EXPECT_LT(next_op, expected.size())
        << "unexpected or out of order: " << op.first << " / " << op.second;
  }
  EXPECT_FALSE(IsWindowVisible(wiz));
  // At the end it shows the last operation, with the overall bar full over all 32.
  run.WaitBox();
  EXPECT_EQ(Text(Item(status, ids::lblGroup)), expected.back().first);
  EXPECT_EQ(Text(Item(status, ids::lblItem)), expected.back().second);
  EXPECT_EQ(ProgressMax(Item(status, ids::StatusBar)), 32);
  EXPECT_EQ(ProgressPos(Item(status, ids::StatusBar)), 32);
  EXPECT_EQ(ProgressPos(Item(status, ids::PackBar)), 100);
  Finish(run, kCompleted, "7-final-box");
  ExpectFullInstall(idapi);
}

// ---- 1b: the same install from the keyboard alone ----

// Presses key on the wizard and waits until the focus is on the control expected.
void Key(SetupRun& run, WORD key, std::initializer_list<WORD> modifiers, int expectFocus) {
  PressKey(run.Wizard(), key, modifiers);
  WaitForFocus(run.Control(expectFocus));
}

void WaitForPage(SetupRun& run, int marker) {
  HWND control = run.Control(marker);
  if (!WaitUntil([&] { return IsVisible(control); }, 5000))
    throw DriverError("the wizard did not change its page");
}

TEST(Setup, InstallsFromTheKeyboardAlone) {
  SetupRun run(DistDir());
  HWND wiz = run.Wizard();
  // Page "Intro": the terms box has the focus; Tab passes over the terms text and the disabled
  // and hidden buttons.
  WaitForFocus(run.Control(ids::chkAccept), 10000);
  Key(run, VK_TAB, {}, ids::btnCancel);
  Key(run, VK_TAB, {}, ids::chkAccept);
  Key(run, VK_SPACE, {}, ids::chkAccept);
  ASSERT_TRUE(WaitUntil([&] { return IsEnabled(run.Control(ids::btnNext)); }, 5000));
  Key(run, VK_TAB, {}, ids::btnNext);
  Key(run, VK_TAB, {VK_SHIFT}, ids::chkAccept);
  Snap("k1-terms-accepted-by-keyboard");

  // Page "Paths", reached with Alt+P: its boxes in their order, the defaults kept.
  Key(run, 'P', {VK_MENU}, ids::btnNext);
  WaitForPage(run, ids::edtTarget);
  Key(run, VK_TAB, {}, ids::btnCancel);
  Key(run, VK_TAB, {}, ids::btnBack);
  Key(run, VK_TAB, {}, ids::edtTarget);
  Key(run, VK_TAB, {}, ids::chkBin);
  Key(run, VK_TAB, {}, ids::chkIDAPI);
  Key(run, VK_TAB, {}, ids::edtIDAPI);
  EXPECT_EQ(run.TextOf(ids::edtTarget), kTarget);
  const std::string idapi = run.TextOf(ids::edtIDAPI);
  ASSERT_FALSE(idapi.empty()) << "the wizard offers no IDAPI directory to keep";
  EXPECT_TRUE(IsChecked(run.Control(ids::chkBin)));
  EXPECT_TRUE(IsChecked(run.Control(ids::chkIDAPI)));
  Snap("k2-paths-by-keyboard");

  // Alt+V goes back and Enter on the focused "Next" forward again; then on to "Default".
  Key(run, 'V', {VK_MENU}, ids::chkAccept);  // "Back" is disabled on "Intro": the focus moves on
  WaitForPage(run, ids::lblName);
  Key(run, 'P', {VK_MENU}, ids::btnNext);
  WaitForPage(run, ids::edtTarget);
  Key(run, VK_RETURN, {}, ids::btnNext);
  WaitForPage(run, ids::cboType);

  // Page "Default": the lists open with Alt+Down and choose with the arrows.
  Key(run, VK_TAB, {}, ids::btnCancel);
  Key(run, VK_TAB, {}, ids::btnBack);
  Key(run, VK_TAB, {}, ids::cboType);
  HWND type = run.Control(ids::cboType), port = run.Control(ids::cboPort);
  Key(run, VK_DOWN, {VK_MENU}, ids::cboType);
  EXPECT_TRUE(WaitUntil([&] { return SendMessageA(type, CB_GETDROPPEDSTATE, 0, 0) != 0; }, 5000));
  Snap("k3-list-open");
  // An open list marks the item under the mouse pointer, wherever the pointer rests (here: the
  // middle of the screen), so the keys start from the top with Home.
  Key(run, VK_HOME, {}, ids::cboType);
  Key(run, VK_DOWN, {}, ids::cboType);
  Key(run, VK_RETURN, {}, ids::cboType);
  EXPECT_TRUE(WaitUntil([&] { return SendMessageA(type, CB_GETDROPPEDSTATE, 0, 0) == 0; }, 5000));
  EXPECT_EQ(ChosenItem(type), "TAVO-Fiscal 1.1");
  Key(run, VK_TAB, {}, ids::cboPort);
  for (int i = 0; i < 4; ++i) Key(run, VK_DOWN, {}, ids::cboPort);
  EXPECT_TRUE(WaitUntil([&] { return ChosenItem(port) == "8888"; }, 5000));
  EXPECT_EQ(ChosenItem(type), "TAVO-Fiscal 1.1");
  Snap("k4-default-by-keyboard");

  // Page "Finish": Tab to "Next", Enter; then Alt+I installs.
  Key(run, VK_TAB, {}, ids::btnNext);
  Key(run, VK_RETURN, {}, ids::btnNext);
  WaitForPage(run, ids::Label7);
  EXPECT_TRUE(WaitUntil([&] { return run.TextOf(ids::btnNext) == "&Instala"; }, 5000));
  Snap("k5-finish-by-keyboard");
  PressKey(wiz, 'I', {VK_MENU});
  run.App().Wait(ids::kClassFrmStatus);

  // The final box is answered with Enter, too.
  HWND box;
  const BoxInfo info = run.WaitBox(&box, 60000);
  Snap("k6-final-box");
  EXPECT_EQ(info.text, kCompleted);
  PressKey(box, VK_RETURN);
  EXPECT_EQ(run.App().WaitExit(), 0u);
  ExpectFullInstall(idapi);
}

// ---- 2: cancelling the wizard changes nothing ----

void ExpectCancelEndsQuietly(void (*cancel)(SetupRun&)) {
  SetupRun run(DistDir());
  run.Wizard();
  SetChecked(run.Control(ids::chkAccept), true);
  run.Press(ids::btnNext, ids::edtTarget);
  const std::string idapi = TakeIdapiDir(run);
  cancel(run);
  // The program ends without a word: no box shows before it is gone.
  ASSERT_TRUE(WaitUntil([&] { return run.App().FindBox() != nullptr || !run.App().Running(); }));
  EXPECT_EQ(run.App().FindBox(), nullptr);
  EXPECT_EQ(run.App().WaitExit(), 0u);
  ExpectNothingInstalled(idapi);
}

TEST(Setup, CancelInTheWizardChangesNothing) {
  ExpectCancelEndsQuietly([](SetupRun& r) { Click(r.Control(ids::btnCancel)); });
  ExpectCancelEndsQuietly([](SetupRun& r) { Close(r.Wizard()); });
}

// ---- 3: a second run offers the first run's answers ----

TEST(Setup, SecondRunOffersTheFirstRunsAnswers) {
  const std::string target = "C:\\Pesquisa TAVO";
  {
    SetupRun run(DistDir());
    run.Wizard();
    SetChecked(run.Control(ids::chkAccept), true);
    run.Press(ids::btnNext, ids::edtTarget);
    Type(run.Control(ids::edtTarget), target);
    TakeIdapiDir(run);
    run.Press(ids::btnNext, ids::cboType);
    Choose(run.Control(ids::cboType), "TAVO-Fiscal 1.0");
    Choose(run.Control(ids::cboPort), "8088");
    run.Press(ids::btnNext, ids::Label7);
    run.Install();
    Finish(run, kCompleted);
  }
  EXPECT_EQ(ReadIni(WindowsDir() + "\\TAVO.INI"),
            (IniRows{{"INSTALL", {"Path=" + target, "Type=3", "Port=2"}}}));

  SetupRun again(DistDir());
  again.Wizard();
  SetChecked(again.Control(ids::chkAccept), true);
  again.Press(ids::btnNext, ids::edtTarget);
  EXPECT_EQ(again.TextOf(ids::edtTarget), target);
  again.Press(ids::btnNext, ids::cboType);
  EXPECT_EQ(ChosenItem(again.Control(ids::cboType)), "TAVO-Fiscal 1.0");
  EXPECT_EQ(ChosenItem(again.Control(ids::cboPort)), "8088");
  Click(again.Control(ids::btnCancel));
  EXPECT_EQ(again.App().WaitExit(), 0u);
}

// ---- 4: an archive that cannot be read ----

// Holds a file open without sharing, so no other program can read it until released.
class FileLock {
 public:
  explicit FileLock(const std::string& path)
      : h_(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)) {
    if (h_ == INVALID_HANDLE_VALUE) throw DriverError("cannot lock " + path);
  }
  ~FileLock() { Release(); }
  void Release() {
    if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
    h_ = INVALID_HANDLE_VALUE;
  }

 private:
  HANDLE h_;
};

// Goes through the wizard with its defaults but the engine's folder, up to the summary.
void WizardWithDefaults(SetupRun& run, const std::string& idapi) {
  run.Wizard();
  SetChecked(run.Control(ids::chkAccept), true);
  run.Press(ids::btnNext, ids::edtTarget);
  Type(run.Control(ids::edtIDAPI), idapi);
  run.Press(ids::btnNext, ids::cboType);
  run.Press(ids::btnNext, ids::Label7);
}

// Starts a default install with the given archive locked and returns at its error box.
HWND InstallUntilErrorBox(SetupRun& run, const std::string& archive, const std::string& target,
                          const std::string& idapi, const char* shot = nullptr) {
  WizardWithDefaults(run, idapi);
  HWND status = run.Install();
  HWND box;
  const BoxInfo info = run.WaitBox(&box);
  if (shot) Snap(shot);
  EXPECT_EQ(info.text, "Erro expandindo " + UpperAscii(DistDir() + "\\" + archive) + " para " +
                           UpperAscii(target));
  EXPECT_EQ(info.buttons, (std::vector<int>{IDABORT, IDRETRY, IDIGNORE}));
  EXPECT_EQ(Text(Item(status, ids::lblItem)),
            "Expandindo " + UpperAscii(DistDir() + "\\" + archive) + " para " + UpperAscii(target));
  return box;
}

TEST(Setup, AbortOnAnUnreadableArchiveStopsTheRun) {
  const std::string idapi = "C:\\IDAPI";
  FileLock lock(DistDir() + "\\ISA.PCK");
  SetupRun run(DistDir());
  HWND box = InstallUntilErrorBox(run, "ISA.PCK", kTarget + "\\cgi-bin", idapi);
  Answer(box, IDABORT);
  HWND done;
  const BoxInfo info = run.WaitBox(&done);
  EXPECT_EQ(info.text, kIncomplete);
  Answer(done, IDOK);
  EXPECT_EQ(run.App().WaitExit(), 0u);

  // The first task's files stay; nothing after the failed archive was done.
  EXPECT_TRUE(Exists(kTarget + "\\TAVO.EXE"));
  EXPECT_FALSE(Exists(kTarget + "\\cgi-bin\\tavo.dll"));
  EXPECT_FALSE(Exists(kTarget + "\\db"));
  EXPECT_FALSE(Exists(WindowsDir() + "\\TAVO.INI"));
  EXPECT_FALSE(Exists(idapi));
  EXPECT_FALSE(EngineValue("SOFTWARE\\Borland\\Database Engine|RESOURCE").has_value());
  EXPECT_FALSE(Exists(ProgramsFolder() + "\\URDA"));
}

TEST(Setup, RetryAfterTheArchiveIsReadableAgainCompletes) {
  const std::string idapi = "C:\\IDAPI";
  FileLock lock(DistDir() + "\\DB.PCK");
  SetupRun run(DistDir());
  HWND box = InstallUntilErrorBox(run, "DB.PCK", kTarget + "\\db", idapi, "8-error-box");
  // Retry while the archive is still locked: the same box again.
  Answer(box, IDRETRY);
  HWND again;
  EXPECT_EQ(run.WaitBox(&again).text.rfind("Erro expandindo ", 0), 0u);
  lock.Release();
  Answer(again, IDRETRY);
  Finish(run, kCompleted);
  ExpectInstalledFiles(kTarget, idapi);
}

// ---- 5: a distribution on two disks, one archive spanning both ----

// Puts the files of folder from into the floppy drive, after removing what is there except the
// running setup program: the nearest a program can come to a person swapping disks.
void InsertDisk(const std::string& from) {
  for (const auto& name : FilesIn("A:"))
    if (name != "SETUP.EXE") DeleteFileA(("A:\\" + name).c_str());
  for (const auto& name : FilesIn(from)) {
    if (Exists("A:\\" + name)) continue;
    ASSERT_TRUE(CopyFileA((from + "\\" + name).c_str(), ("A:\\" + name).c_str(), TRUE)) << name;
  }
}

TEST(Setup, InstallsFromTwoDisks) {
  const std::string disks = FolderFromEnv("TAVO_E2E_DISKS");
  ASSERT_FALSE(disks.empty()) << "TAVO_E2E_DISKS is not set";
  ASSERT_EQ(GetDriveTypeA("A:\\"), static_cast<UINT>(DRIVE_REMOVABLE)) << "no floppy drive A:";
  InsertDisk(disks + "\\DISK1");

  const std::string idapi = "C:\\IDAPI";
  SetupRun run("A:");
  WizardWithDefaults(run, idapi);
  run.Install();

  // The end of disk 1's part of LD32.PCK: the engine asks for disk 2, and again while disk 1
  // is still in the drive.
  const std::string prompt = "Por favor, insira o pr\xF3ximo disco [2]";
  HWND box;
  BoxInfo info = run.WaitBox(&box, 60000);
  Snap("9-next-disk");
  EXPECT_EQ(info.text, prompt);
  EXPECT_EQ(info.buttons, (std::vector<int>{IDOK, IDCANCEL}));
  Answer(box, IDOK);
  info = run.WaitBox(&box);
  EXPECT_EQ(info.text, prompt);
  InsertDisk(disks + "\\DISK2");
  Answer(box, IDOK);
  Finish(run, kCompleted);
  ExpectInstalledFiles(kTarget, idapi);
}

}  // namespace
}  // namespace e2e
