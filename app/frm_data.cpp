#include "app/frm_data.h"

#include "app/control_ids.h"
#include "app/frm_readme.h"
#include "app/glyphs.h"
#include "app/resource.h"
#include "app/settings.h"

namespace {

// Pages sit in the page book at (128, 8) of the wizard; their controls are laid out from there.
constexpr int kBookX = 128;
constexpr int kBookY = 8;

constexpr int kTagBack = 1;
constexpr int kTagNext = 2;

constexpr char kCaption[] = "Par\xE2metros de Instala\xE7\xE3o";
constexpr char kNextCaption[] = "&Pr\xF3xima";
constexpr char kInstallCaption[] = "&Instala";

// The terms of use ship as a text resource of the program.
std::string TermsOfUse() {
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(IDR_TERMS), MAKEINTRESOURCEA(10));
  HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes) return {};
  return std::string(static_cast<const char*>(bytes), SizeofResource(module, found));
}

// Selects item index of a drop-down list, or its first item when there is no such item: the lists
// offer no empty choice.
void SelectItem(HWND list, std::int32_t index) {
  const LRESULT count = SendMessageA(list, CB_GETCOUNT, 0, 0);
  SendMessageA(list, CB_SETCURSEL,
               static_cast<WPARAM>(app::ValidIndex(index, static_cast<std::size_t>(count))), 0);
}

}  // namespace

TFrmData::TFrmData(TComponent* owner, HWND ownerWindow) : TComponent(owner) {
  app::CreateDialogForm(this, ids::kClassFrmData, kCaption, ownerWindow, 516, 286);
}

TFrmData::~TFrmData() {
  if (hwnd_) DestroyWindow(hwnd_);
  if (picture_) DeleteObject(picture_);
}

INT_PTR TFrmData::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_INITDIALOG:  // the focus goes to the first control when the wizard is activated
      CreateControls();
      FormCreate();
      return FALSE;
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
      return TRUE;
    case WM_PAINT:  // Bevel2, the rule above the buttons
      app::PaintBevel(hwnd_, {4, 240, 509, 2, app::BevelShape::TopRule});
      return TRUE;
    case WM_CLOSE:  // the close box answers like Cancel
      modalResult_ = IDCANCEL;
      return TRUE;
    case DM_GETDEFID: {
      // No default button: Enter presses the focused push button only. The dialog manager
      // would press the last push button it focused itself, not one a mnemonic focused.
      HWND focus = GetFocus();
      const bool button =
          focus && IsChild(hwnd_, focus) &&
          (SendMessageA(focus, WM_GETDLGCODE, 0, 0) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON));
      SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT,
                        button ? MAKELRESULT(GetDlgCtrlID(focus), DC_HASDEFID) : 0);
      return TRUE;
    }
  }
  return FALSE;
}

// Creation order is tab order: the pages' controls, then Next, Cancel, Readme, Back.
void TFrmData::CreateControls() {
  HFONT font = font_.get(), bold = bold_.get();
  const DWORD label = SS_LEFT | SS_NOPREFIX;
  const DWORD check = BS_AUTOCHECKBOX | WS_TABSTOP;
  const DWORD edit = ES_AUTOHSCROLL | WS_TABSTOP;
  const DWORD list = CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP;
  auto add = [&](int page, const char* cls, const std::string& text, DWORD style, int x, int y,
                 int w, int h, int id, HFONT f, DWORD exStyle = 0) {
    HWND control =
        app::AddControl(hwnd_, cls, text, style, kBookX + x, kBookY + y, w, h, id, f, exStyle);
    pages_[page].push_back(control);
    return control;
  };
  auto addLabel = [&](int page, const std::string& text, int x, int y, int id) {
    pages_[page].push_back(app::AddLabel(hwnd_, text, kBookX + x, kBookY + y, id, bold));
  };
  auto addCheck = [&](int page, const std::string& text, int x, int y, int id, bool checked) {
    HWND box = add(page, "Button", text, check, x, y, 0, 0, id, bold);
    app::FitToText(box, 24, 17);
    if (checked) SendMessageA(box, BM_SETCHECK, BST_CHECKED, 0);
  };

  picture_ = static_cast<HBITMAP>(
      LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_WIZARD), IMAGE_BITMAP, 0, 0, 0));
  HWND image =
      app::AddControl(hwnd_, "Static", "", SS_BITMAP, 8, 8, 118, 226, ids::Image1, nullptr);
  SendMessageA(image, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture_));

  // Page "Intro"
  add(0, "Static", "", label, 24, 8, 317, 25, ids::lblName, font);
  addLabel(0,
           "Termo de Licen\xE7"
           "a de Uso",
           24, 32, ids::Label4);
  add(0, "Edit", TermsOfUse(), ES_MULTILINE | ES_READONLY | WS_VSCROLL, 24, 48, 345, 145,
      ids::memoTerms, font);
  add(0, "Button",
      "Aceito e Concordo com os Termos da Licen\xE7"
      "a de Uso",
      check, 24, 200, 329, 17, ids::chkAccept, bold);

  // Page "Paths"
  add(1, "Static", "Selecione os componentes \xE0 serem instalados:", label, 32, 8, 317, 17,
      ids::Label5, font);
  add(1, "Static", "Instala\xE7\xE3o do programa execut\xE1vel (.EXE)", label, 52, 40, 305, 15,
      ids::Label3, font);
  add(1, "Static",
      "Mesmo que voce n\xE3o tenha selecionado esta op\xE7\xE3o, ainda sim, \xE9 necess\xE1rio o "
      "preenchimento do campo abaixo para que o programa de instala\xE7\xE3o possa criar os "
      "grupos e icones.",
      label, 52, 54, 305, 41, ids::Label11, font);
  addLabel(1, "Diret\xF3rio Destino (sem o nome do programa)", 52, 96, ids::Label2);
  add(1, "Static", "DLLs respons\xE1veis pelo gerenciamento do banco de dados.", label, 52, 160,
      305, 17, ids::Label10, font);
  addLabel(1, "Diret\xF3rio IDAPI", 52, 176, ids::Label8);
  add(1, "Edit", "", edit, 52, 112, 305, 21, ids::edtTarget, font, WS_EX_CLIENTEDGE);
  addCheck(1, "Aplica\xE7\xE3o", 32, 24, ids::chkBin, true);
  addCheck(1, "IDAPI", 32, 144, ids::chkIDAPI, true);
  add(1, "Edit", "", edit, 52, 192, 305, 21, ids::edtIDAPI, font, WS_EX_CLIENTEDGE);

  // Page "Default"
  add(2, "Static",
      "Esta aplica\xE7\xE3o possui tanto o banco de dados da TAVO/TAVO-Fiscal. Selecione abaixo "
      "qual ser\xE1 o default de execu\xE7\xE3o do sistema:",
      label, 32, 8, 337, 33, ids::Label6, font);
  addLabel(2, "Banco de Dados Default:", 32, 48, ids::lblDefaultDb);
  add(2, "Static",
      "Se voce possui em seu sistema alguma aplica\xE7\xE3o servidora na porta 80, utilize outra "
      "porta. Caso contr\xE1rio deixe configurado para porta 80.",
      label, 32, 112, 337, 33, ids::Label9, font);
  addLabel(2, "Porta", 32, 152, ids::Label12);
  HWND type = add(2, "ComboBox", "", list, 32, 64, 121, 120, ids::cboType, font);
  for (const char* item : app::TypeItems)
    SendMessageA(type, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
  HWND port = add(2, "ComboBox", "", list, 32, 168, 57, 120, ids::cboPort, font);
  for (const char* item : app::PortItems)
    SendMessageA(port, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
  SendMessageA(type, CB_SETCURSEL, 0, 0);
  SendMessageA(port, CB_SETCURSEL, 0, 0);

  // Page "Finish"
  add(3, "Static",
      "Voc\xEA acaba de informar todos os dados necess\xE1rios para a instala\xE7\xE3o. Para "
      "iniciar o processo de instala\xE7\xE3o, pressione \"INSTALA\". Para rever os par\xE2metros "
      "selecionados, pressione \"VOLTA\".",
      label, 32, 16, 317, 57, ids::Label7, font);

  // The buttons below the book.
  const DWORD button = BS_PUSHBUTTON | WS_TABSTOP;
  HWND next = app::AddControl(hwnd_, "Button", kNextCaption, button | WS_DISABLED, 262, 248, 89, 30,
                              ids::btnNext, font);
  app::AddControl(hwnd_, "Button", "Cancel", button, 417, 248, 89, 30, ids::btnCancel, font);
  HWND readme = app::AddControl(hwnd_, "Button", "Leiame.txt", button, 13, 248, 101, 30,
                                ids::btnReadme, font);
  HWND back = app::AddControl(hwnd_, "Button", "&Volta", button | WS_DISABLED, 173, 248, 89, 30,
                              ids::btnBack, font);
  ShowWindow(readme, SW_HIDE);  // nothing in this product offers the readme
  SetWindowLongPtrA(back, GWLP_USERDATA, kTagBack);
  SetWindowLongPtrA(next, GWLP_USERDATA, kTagNext);
  app::SetGlyph(readme, glyphs_.readme, BUTTON_IMAGELIST_ALIGN_LEFT);
  app::SetGlyph(back, glyphs_.back, BUTTON_IMAGELIST_ALIGN_LEFT);
  app::SetGlyph(next, glyphs_.next, BUTTON_IMAGELIST_ALIGN_RIGHT);

  for (int id : {ids::Label5, ids::Label3, ids::Label11, ids::Label10, ids::Label6, ids::Label9,
                 ids::Label7})
    app::GrowToWrappedText(Item(id));

  for (int page = 1; page < kPageCount; ++page)
    for (HWND control : pages_[page]) ShowWindow(control, SW_HIDE);
}

void TFrmData::FormCreate() {
  app::SetText(Item(ids::lblName),
               app::Format("Voc\xEA est\xE1 prestes a instalar a %s. ", app::kProductTitle));
  app::GrowToWrappedText(Item(ids::lblName));
}

void TFrmData::OnCommand(int id, int code, HWND control) {
  // A press of a push button that could not have been pressed is dropped. A check box has
  // already changed its mark by the time it tells, so its handler always follows the mark.
  if (code == BN_CLICKED && control && id != ids::chkAccept && !app::IsUsable(control)) return;
  switch (id) {
    case ids::chkAccept:
      if (code == BN_CLICKED) chkAcceptClick();
      break;
    case ids::btnBack:
    case ids::btnNext:
      if (code == BN_CLICKED) btnClick(control);
      break;
    case ids::btnReadme:
      if (code == BN_CLICKED) btnReadmeClick();
      break;
    case ids::btnCancel:  // also the Esc key
      modalResult_ = IDCANCEL;
      break;
  }
  // Any other command, IDOK for Enter on a control that is no push button among them, does
  // nothing.
}

void TFrmData::chkAcceptClick() {
  app::EnableControl(hwnd_, Item(ids::btnNext),
                     SendMessageA(Item(ids::chkAccept), BM_GETCHECK, 0, 0) == BST_CHECKED);
}

void TFrmData::btnClick(HWND button) {
  switch (GetWindowLongPtrA(button, GWLP_USERDATA)) {
    case kTagBack:
      if (page_ > 0) ShowPage(page_ - 1);
      break;
    case kTagNext:
      if (page_ < kPageCount - 1)
        ShowPage(page_ + 1);
      else
        modalResult_ = IDOK;
      break;
  }
  app::EnableControl(hwnd_, Item(ids::btnBack), page_ > 0);
  app::SetText(Item(ids::btnNext), page_ == kPageCount - 1 ? kInstallCaption : kNextCaption);
}

void TFrmData::btnReadmeClick() {
  TFrmReadMe viewer(nullptr, hwnd_);
  viewer.ShowModal();
}

void TFrmData::ShowPage(int page) {
  for (HWND control : pages_[page_]) ShowWindow(control, SW_HIDE);
  page_ = page;
  for (HWND control : pages_[page_]) ShowWindow(control, SW_SHOW);
}

int TFrmData::ShowModal() { return app::RunModal(hwnd_, modalResult_); }

void TFrmData::SetTargetText(const std::string& text) { app::SetText(Item(ids::edtTarget), text); }
void TFrmData::SetIdapiText(const std::string& text) { app::SetText(Item(ids::edtIDAPI), text); }

void TFrmData::SelectType(std::int32_t index) { SelectItem(Item(ids::cboType), index); }
void TFrmData::SelectPort(std::int32_t index) { SelectItem(Item(ids::cboPort), index); }

std::string TFrmData::TargetText() const { return app::GetText(Item(ids::edtTarget)); }
std::string TFrmData::IdapiText() const { return app::GetText(Item(ids::edtIDAPI)); }

bool TFrmData::AppChecked() const {
  return SendMessageA(Item(ids::chkBin), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool TFrmData::IdapiChecked() const {
  return SendMessageA(Item(ids::chkIDAPI), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

std::int32_t TFrmData::TypeIndex() const {
  return static_cast<std::int32_t>(SendMessageA(Item(ids::cboType), CB_GETCURSEL, 0, 0));
}

std::int32_t TFrmData::PortIndex() const {
  return static_cast<std::int32_t>(SendMessageA(Item(ids::cboPort), CB_GETCURSEL, 0, 0));
}
