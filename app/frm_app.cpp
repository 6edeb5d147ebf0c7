#include "app/frm_app.h"

#include <exception>

#include "app/control_ids.h"
#include "app/frm_data.h"
#include "app/frm_status.h"
#include "app/settings.h"
#include "platform/ui.h"
#include "platform/win32/canvas_win32.h"

namespace {

// Posted once, on the first activation: the flow runs from the message loop, not inside
// WM_ACTIVATE.
constexpr UINT WM_APP_INSTALL = WM_APP + 1;

constexpr COLORREF kYellow = RGB(255, 255, 0);
constexpr COLORREF kAqua = RGB(0, 255, 255);
constexpr TColor kGradientTop = 0x00FF0000;  // blue
constexpr TColor kGradientBottom = 0;        // black

// The two bottom lines stand this far above the bottom of the screen.
constexpr int kCopyrightFromBottom = 70;
constexpr int kAllRightsFromBottom = 52;

}  // namespace

TFrmApp::TFrmApp(TComponent* owner) : TComponent(owner) {
  app::RegisterFormClass<TFrmApp>(
      ids::kClassFrmApp, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)), CS_HREDRAW | CS_VREDRAW);
  CreateWindowExA(0, ids::kClassFrmApp, app::kProductTitle, WS_POPUP | WS_CLIPSIBLINGS, 0, 0, 0, 0,
                  nullptr, nullptr, GetModuleHandleA(nullptr), this);
  app::PlaceCentred(hwnd_, 489, 303);
  // Owned by this window, so they stay in front of it.
  data_ = new TFrmData(this, hwnd_);
  status_ = new TFrmStatus(this, hwnd_);
  tasks_ = std::make_unique<app::TSetupTasks>(nullptr, *data_, *status_);
}

TFrmApp::~TFrmApp() {
  if (hwnd_) DestroyWindow(hwnd_);
}

void TFrmApp::Show() {
  ShowWindow(hwnd_, SW_SHOW);
  UpdateWindow(hwnd_);
  // Showing the window normally activates it. Where the window system withholds the activation
  // (a program started by another one may not get the foreground), the flow starts anyway.
  StartFlowOnce();
}

void TFrmApp::StartFlowOnce() {
  if (activated_) return;
  activated_ = true;
  PostMessageA(hwnd_, WM_APP_INSTALL, 0, 0);
}

LRESULT TFrmApp::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CREATE: FormCreate(); return 0;
    case WM_SIZE: FormResize(); return 0;
    case WM_ERASEBKGND: return 1;  // the gradient covers everything
    case WM_PAINT: FormPaint(); return 0;
    case WM_PRINTCLIENT: PaintGradient(reinterpret_cast<HDC>(wParam)); return 0;
    case WM_CTLCOLORSTATIC:
      return OnCtlColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE) StartFlowOnce();
      break;
    case WM_APP_INSTALL: FormActivate(); return 0;
    case WM_CLOSE:
      if (!busy_) DestroyWindow(hwnd_);
      return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
  }
  return DefWindowProcA(hwnd_, msg, wParam, lParam);
}

void TFrmApp::FormCreate() {
  // Italic letters lean out of the box their advance widths make.
  const DWORD label = SS_LEFT | SS_NOPREFIX;
  app::AddLabel(hwnd_, app::Format("Bem-vindo a %s", app::kProductTitle), 32, 24, ids::lblWelcome,
                welcomeFont_.get(), label, 8);
  app::AddLabel(hwnd_, "(Simulador Web)", 32, 56, ids::Label1, subtitleFont_.get(), label, 4);
  app::AddLabel(hwnd_, app::Format("Copyright \xA9 2003 %s", app::kProductTitle), 41, 0,
                ids::lblCopyright, rightsFont_.get());
  app::AddLabel(hwnd_, "Todos os direitos reservados.", 41, 0, ids::lblAllRights,
                rightsFont_.get());
  // The tasks are registered in run order when the task part is made, after the windows it uses.
}

// The bottom lines follow the screen, not the window: they stand right once it is maximised.
void TFrmApp::FormResize() {
  const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
  SetWindowPos(GetDlgItem(hwnd_, ids::lblCopyright), nullptr, 41,
               screenHeight - kCopyrightFromBottom, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  SetWindowPos(GetDlgItem(hwnd_, ids::lblAllRights), nullptr, 41,
               screenHeight - kAllRightsFromBottom, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TFrmApp::FormPaint() {
  PAINTSTRUCT paint;
  PaintGradient(BeginPaint(hwnd_, &paint));
  EndPaint(hwnd_, &paint);
  // The labels are transparent: they draw their text on the gradient just painted.
  for (int id : {ids::lblWelcome, ids::Label1, ids::lblCopyright, ids::lblAllRights})
    RedrawWindow(GetDlgItem(hwnd_, id), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

void TFrmApp::PaintGradient(HDC dc) {
  RECT client;
  GetClientRect(hwnd_, &client);
  // Painted off screen and copied in one go, so the bands do not flicker while the labels wait.
  HDC memory = CreateCompatibleDC(dc);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, client.right, client.bottom);
  HGDIOBJ old = SelectObject(memory, bitmap);
  {
    platform::WindowCanvas canvas(hwnd_, memory);
    Install()->PaintGradient(canvas, kGradientTop, kGradientBottom);
  }
  BitBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
}

LRESULT TFrmApp::OnCtlColorStatic(HDC dc, HWND label) {
  const int id = GetDlgCtrlID(label);
  SetTextColor(dc, id == ids::lblCopyright || id == ids::lblAllRights ? kAqua : kYellow);
  SetBkMode(dc, TRANSPARENT);
  return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
}

void TFrmApp::FormActivate() {
  busy_ = true;
  ShowWindow(hwnd_, SW_MAXIMIZE);

  const app::TInstallDefaults defaults = app::ReadInstallDefaults(app::kIniFile);
  data_->SetIdapiText(EngineDirDefault());
  data_->SetTargetText(defaults.Path);
  data_->SelectType(defaults.Type);
  data_->SelectPort(defaults.Port);

  if (data_->ShowModal() == IDOK) {
    tasks_->ApplyAnswers({data_->TargetText(), data_->AppChecked(), data_->IdapiChecked(),
                          data_->TypeIndex(), data_->PortIndex()});
    // Nothing on this window takes input during the run; disabled, it also cannot take the
    // activation from the status window and the message boxes above it.
    EnableWindow(hwnd_, FALSE);
    try {
      Install()->Execute();  // ends with its own message box
    } catch (const std::exception& error) {
      // A failure no operation could catch ends the run; the user still learns why.
      platform::ShowMessage(error.what(), platform::MsgType::Error, platform::mbOK);
    }
  }
  busy_ = false;
  DestroyWindow(hwnd_);
}

// The engine's directory as the machine knows it. An engine registration without its DLL path
// gives no directory; the engine's standard place then serves rather than an empty box, which
// would install the engine into whatever the current directory is.
std::string TFrmApp::EngineDirDefault() const {
  const std::string& known = Install()->EngineDir;
  return known.empty() ? JoinPath(Install()->CommonFilesDir, "Borland Shared\\BDE") : known;
}
