// Window classes and control IDs of SETUP.EXE, for the program itself and for anything that
// drives it from outside (a UI test driver in the same Wine prefix or Windows session).
//
// Finding things:
//   - Each of the four top-level windows has its own registered class: FindWindowA(kClassFrmData,
//     nullptr) and so on. They are ANSI windows; texts are Windows-1252.
//   - Every control is a direct child of its top-level window: GetDlgItem(top, ids::chkAccept).
//   - Controls use the standard classes: "Button", "Edit", "ComboBox", "Static",
//     "msctls_progress32". Message boxes are the system's (#32770) with IDOK, IDCANCEL, IDABORT,
//     IDRETRY, IDIGNORE, IDYES, IDNO buttons.
//
// Driving the wizard (TFrmData) like a user:
//   - Press a button or toggle a check box with SendMessage(button, BM_CLICK, 0, 0). A disabled or
//     hidden button ignores the click, as it would ignore the mouse. BM_SETCHECK alone does not
//     count as a user's click: the wizard reacts to BN_CLICKED only.
//   - Type into an edit box with WM_SETTEXT. The texts are read when needed; no notification is
//     required.
//   - Choose a list item with CB_SETCURSEL and then send the wizard
//     WM_COMMAND(MAKEWPARAM(id, CBN_SELCHANGE), (LPARAM)combo), as a real selection would.
//   - Esc is WM_COMMAND(IDCANCEL) to the wizard; WM_CLOSE does the same (the close box).
//   - The page shown is the one whose controls are visible (IsWindowVisible), e.g. lblName on
//     "Intro", edtTarget on "Paths", cboType on "Default", Label7 on "Finish".
//
// The status window (TFrmStatus) is modeless and shown from the first operation of a run on; its
// Cancel button does nothing by design. The readme viewer (TFrmReadMe) is closed with its OK
// button (IDOK) or Esc.
#pragma once

namespace ids {

// Window classes, one per window.
inline constexpr char kClassFrmApp[] = "TFrmApp";
inline constexpr char kClassFrmData[] = "TFrmData";
inline constexpr char kClassFrmStatus[] = "TFrmStatus";
inline constexpr char kClassFrmReadMe[] = "TFrmReadMe";

// TFrmApp: the full-screen gradient window.
inline constexpr int lblWelcome = 100;
inline constexpr int Label1 = 101;  // "(Simulador Web)"
inline constexpr int lblCopyright = 102;
inline constexpr int lblAllRights = 103;

// TFrmData: the parameter wizard. Buttons below the page book.
inline constexpr int btnCancel = 2;  // IDCANCEL
inline constexpr int Image1 = 200;
inline constexpr int btnReadme = 201;  // hidden in this product
inline constexpr int btnBack = 202;    // "&Volta"
inline constexpr int btnNext = 203;    // "&Pr\xF3xima", "&Instala" on the last page
// Page "Intro"
inline constexpr int lblName = 210;
inline constexpr int Label4 = 211;
inline constexpr int memoTerms = 212;  // the wizard's Memo1: terms of use, read-only Edit
inline constexpr int chkAccept = 213;
// Page "Paths"
inline constexpr int Label5 = 220;
inline constexpr int chkBin = 221;  // "Aplica\xE7\xE3o"
inline constexpr int Label3 = 222;
inline constexpr int Label11 = 223;
inline constexpr int Label2 = 224;
inline constexpr int edtTarget = 225;
inline constexpr int chkIDAPI = 226;  // "IDAPI"
inline constexpr int Label10 = 227;
inline constexpr int Label8 = 228;
inline constexpr int edtIDAPI = 229;
// Page "Default"
inline constexpr int Label6 = 230;
inline constexpr int lblDefaultDb = 231;  // the page's Label1, "Banco de Dados Default:"
inline constexpr int cboType = 232;
inline constexpr int Label9 = 233;
inline constexpr int Label12 = 234;
inline constexpr int cboPort = 235;
// Page "Finish"
inline constexpr int Label7 = 240;

// TFrmReadMe: the readme viewer.
inline constexpr int OKBtn = 1;         // IDOK
inline constexpr int memoReadme = 300;  // the viewer's Memo1

// TFrmStatus: the status window.
inline constexpr int btnStatusCancel = 2;  // IDCANCEL, inert
inline constexpr int lblGroup = 400;
inline constexpr int lblItem = 401;
inline constexpr int StatusBar = 402;  // operations of the whole run
inline constexpr int PackBar = 403;    // the archive being expanded

}  // namespace ids
