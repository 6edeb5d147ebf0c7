// TFrmData: the parameter wizard. Four pages without tabs (terms of use; components and
// directories; default database and port; confirmation), shown once and modally. It only
// navigates; the main window reads its answers after it closed with OK, and two task handlers read
// its directory boxes during the run.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/glyphs.h"
#include "app/setup_tasks.h"
#include "app/win_kit.h"
#include "platform/component.h"

class TFrmData : public TComponent, public app::TWizardDirs {
 public:
  static constexpr int kPageCount = 4;  // "Intro", "Paths", "Default", "Finish"

  // Creates the hidden wizard window, owned by the window owner (the main window).
  TFrmData(TComponent* owner, HWND ownerWindow);
  ~TFrmData() override;

  HWND Handle() const { return hwnd_; }

  // Shows the wizard modally; IDOK only from the last page's "&Instala", IDCANCEL otherwise.
  int ShowModal();

  // Values the main window writes before showing it. An index outside a list selects item 0.
  void SetTargetText(const std::string& text);
  void SetIdapiText(const std::string& text);
  void SelectType(std::int32_t index);
  void SelectPort(std::int32_t index);

  // Values read after it closed, and by the task handlers during the run.
  std::string TargetText() const override;
  std::string IdapiText() const override;
  bool AppChecked() const;    // "Aplicação"
  bool IdapiChecked() const;  // "IDAPI"
  std::int32_t TypeIndex() const;
  std::int32_t PortIndex() const;
  int PageIndex() const { return page_; }

 private:
  template <class T>
  friend INT_PTR CALLBACK app::RouteDialog(HWND, UINT, WPARAM, LPARAM);
  INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

  void CreateControls();
  void FormCreate();
  void OnCommand(int id, int code, HWND control);
  void ShowPage(int page);
  void chkAcceptClick();
  void btnClick(HWND button);
  void btnReadmeClick();
  HWND Item(int id) const { return GetDlgItem(hwnd_, id); }

  HWND hwnd_ = nullptr;
  int page_ = 0;
  int modalResult_ = 0;
  std::vector<HWND> pages_[kPageCount];
  app::Font font_{"MS Sans Serif", 11};
  app::Font bold_{"MS Sans Serif", 11, true};
  HBITMAP picture_ = nullptr;
  app::ButtonGlyphs glyphs_;
};
