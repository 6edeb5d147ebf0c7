// TAVO.EXE, the demo product's program: the local web simulator's console window. It reads the
// settings that the setup program wrote into TAVO.INI beside it (root directory, start command,
// host address and port) and shows them, so a person can see at a glance what was installed and
// where the application will answer.
#include <windows.h>

#include <string>

namespace {

const char kClassName[] = "TTavoMain";
const char kIniName[] = "TAVO.INI";

// Directory of the running program, with its trailing backslash.
std::string ProgramDir() {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string dir(path, n);
  return dir.substr(0, dir.find_last_of('\\') + 1);
}

std::string ReadIni(const std::string& file, const char* section, const char* key) {
  char value[256];
  DWORD n = GetPrivateProfileStringA(section, key, "", value, sizeof value, file.c_str());
  return std::string(value, n);
}

// The text shown in the window: one line per setting, or a hint when setup has not run.
std::string SettingsText() {
  const std::string ini = ProgramDir() + kIniName;
  if (GetFileAttributesA(ini.c_str()) == INVALID_FILE_ATTRIBUTES)
    return "O arquivo TAVO.INI n\xE3o foi encontrado em " + ProgramDir() +
           ".\r\nExecute o programa de instala\xE7\xE3o novamente.";
  std::string host = ReadIni(ini, "DEFAULTS", "DefaultHost");
  if (host.empty()) host = "http://127.0.0.1";
  const std::string port = ReadIni(ini, "DEFAULTS", "Port");
  return "Diret\xF3rio raiz:\t" + ReadIni(ini, "DEFAULTS", "RootPath") + "\r\nEndere\xE7o:\t" +
         host + "\r\nPorta:\t" + (port.empty() ? std::string("80") : port) +
         "\r\nComando inicial:\t" + ReadIni(ini, "HTML", "Cmd") +
         "\r\nM\xF3"
         "dulo (cgi-bin):\t" +
         ReadIni(ini, "VEXEC", "/cgi-bin");
}

enum ControlId { kIdSettings = 100, kIdClose = IDCANCEL };

HFONT UiFont() { return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)); }

void AddControl(HWND parent, const char* cls, const std::string& text, DWORD style, int x, int y,
                int w, int h, int id) {
  HWND ctl = CreateWindowExA(0, cls, text.c_str(), WS_CHILD | WS_VISIBLE | style, x, y, w, h,
                             parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                             GetModuleHandleA(nullptr), nullptr);
  SendMessageA(ctl, WM_SETFONT, reinterpret_cast<WPARAM>(UiFont()), TRUE);
}

void OnCreate(HWND hwnd) {
  AddControl(hwnd, "STATIC", "TAVO - Simulador Web", SS_LEFT, 12, 10, 400, 18, -1);
  AddControl(hwnd, "EDIT", SettingsText(),
             ES_MULTILINE | ES_READONLY | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 12, 32, 456, 96,
             kIdSettings);
  AddControl(hwnd, "BUTTON", "&Fechar", BS_DEFPUSHBUTTON | WS_TABSTOP, 388, 138, 80, 26, kIdClose);
  SetFocus(GetDlgItem(hwnd, kIdClose));
}

LRESULT CALLBACK MainWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CREATE: OnCreate(hwnd); return 0;
    case WM_COMMAND:
      if (LOWORD(wp) == kIdClose) DestroyWindow(hwnd);
      return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = MainWndProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.hIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kClassName;
  if (!RegisterClassA(&wc)) return 1;

  RECT r{0, 0, 480, 176};
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  AdjustWindowRect(&r, style, FALSE);
  HWND hwnd =
      CreateWindowExA(0, kClassName, "TAVO", style, CW_USEDEFAULT, CW_USEDEFAULT, r.right - r.left,
                      r.bottom - r.top, nullptr, nullptr, instance, nullptr);
  if (!hwnd) return 1;
  ShowWindow(hwnd, show);

  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (IsDialogMessageA(hwnd, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return static_cast<int>(msg.wParam);
}
