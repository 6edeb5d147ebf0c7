#include "app/frm_readme.h"

#include <string>

#include "app/control_ids.h"
#include "install/install.h"
#include "platform/file.h"
#include "platform/ui.h"

namespace {

// The text box wants CR LF line ends; a readme written on another system may have bare LFs.
std::string WithCrLf(const std::string& text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
    out += text[i];
  }
  return out;
}

// The whole file, or false when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::string& text) {
  platform::File file;
  if (!file.Open(path, platform::OpenMode::Read)) return false;
  std::int64_t size = file.Size();
  if (size < 0) return false;
  text.resize(static_cast<std::size_t>(size));
  std::int64_t got = file.Read(text.data(), text.size());
  if (got < 0) return false;
  text.resize(static_cast<std::size_t>(got));
  return true;
}

}  // namespace

TFrmReadMe::TFrmReadMe(TComponent* owner, HWND ownerWindow) : TComponent(owner) {
  app::CreateDialogForm(this, ids::kClassFrmReadMe, "Arquivo LEIAME.TXT", ownerWindow, 544, 310);
}

TFrmReadMe::~TFrmReadMe() {
  if (hwnd_) DestroyWindow(hwnd_);
}

INT_PTR TFrmReadMe::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_INITDIALOG: CreateControls(); return FALSE;
    case WM_PAINT:  // Bevel1 around the text
      app::PaintBevel(hwnd_, {8, 8, 529, 257, app::BevelShape::LoweredBox});
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) modalResult_ = LOWORD(wParam);
      return TRUE;
    case WM_CTLCOLORSTATIC:
      // The read-only text box keeps a window's white, like any document view.
      if (reinterpret_cast<HWND>(lParam) == GetDlgItem(hwnd_, ids::memoReadme)) {
        SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_WINDOW));
      }
      return FALSE;
    case WM_CLOSE: modalResult_ = IDCANCEL; return TRUE;
  }
  return FALSE;
}

void TFrmReadMe::CreateControls() {
  // OK comes first, so it has the focus when the viewer opens; with two controls the Tab order
  // is the same either way.
  app::AddControl(hwnd_, "Button", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 232, 273, 80, 30,
                  ids::OKBtn, font_.get());
  HWND memo = app::AddControl(hwnd_, "Edit", "O arquivo Leiame.txt n\xE3o foi encontrado!!",
                              ES_MULTILINE | ES_READONLY | WS_VSCROLL | WS_TABSTOP, 16, 16, 513,
                              241, ids::memoReadme, fixed_.get(), WS_EX_CLIENTEDGE);
  SendMessageA(memo, EM_SETLIMITTEXT, 0, 0);  // no 32K cap on what the readme may hold
}

void TFrmReadMe::FormShow() {
  std::string path = JoinPath(app::ProgramDir(), "LEIAME.TXT");
  std::string text;
  if (ReadWholeFile(path, text))
    app::SetText(GetDlgItem(hwnd_, ids::memoReadme), WithCrLf(text));
  else
    platform::ShowMessage("Cannot open file " + path, platform::MsgType::Error, platform::mbOK);
}

int TFrmReadMe::ShowModal() {
  FormShow();
  return app::RunModal(hwnd_, modalResult_);
}
