// The wizard, the status window and the readme viewer as real windows, driven the way a user (or
// a UI driver) drives them: button clicks, Esc, the close box, list selections.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "app/control_ids.h"
#include "app/frm_data.h"
#include "app/frm_readme.h"
#include "app/frm_status.h"
#include "app/win_kit.h"
#include "tests/app/doubles.h"

namespace {

const std::string kNext = "&Pr\xF3xima";

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
  }
  static void Pump() { platform::ProcessMessages(); }
  static SIZE ClientSize(HWND window) {
    RECT r;
    GetClientRect(window, &r);
    return SIZE{r.right, r.bottom};
  }
};

class FrmDataTest : public WindowTest {
 protected:
  apptest::Doubles doubles;
  std::unique_ptr<TFrmData> data;

  void SetUp() override {
    WindowTest::SetUp();
    data = std::make_unique<TFrmData>(nullptr, nullptr);
    ShowWindow(data->Handle(), SW_SHOW);
  }
  HWND Item(int id) const { return GetDlgItem(data->Handle(), id); }
  void Click(int id) const { SendMessageA(Item(id), BM_CLICK, 0, 0); }
  std::string Text(int id) const { return app::GetText(Item(id)); }
  bool Enabled(int id) const { return IsWindowEnabled(Item(id)) != FALSE; }
  bool Visible(int id) const { return IsWindowVisible(Item(id)) != FALSE; }
  void Post(int id) const { PostMessageA(Item(id), BM_CLICK, 0, 0); }
};

TEST_F(FrmDataTest, OpensOnIntroWithNavigationDisabled) {
  EXPECT_EQ(app::GetText(data->Handle()), "Par\xE2metros de Instala\xE7\xE3o");
  EXPECT_EQ(ClientSize(data->Handle()).cx, 516);
  EXPECT_EQ(ClientSize(data->Handle()).cy, 286);
  EXPECT_EQ(data->PageIndex(), 0);
  EXPECT_TRUE(Visible(ids::lblName));
  EXPECT_TRUE(Visible(ids::chkAccept));
  EXPECT_FALSE(Visible(ids::edtTarget));
  EXPECT_FALSE(Visible(ids::cboType));
  EXPECT_FALSE(Visible(ids::Label7));
  EXPECT_FALSE(Visible(ids::btnReadme));
  EXPECT_FALSE(Enabled(ids::btnBack));
  EXPECT_FALSE(Enabled(ids::btnNext));
  EXPECT_EQ(Text(ids::btnNext), kNext);
  EXPECT_EQ(Text(ids::lblName), "Voc\xEA est\xE1 prestes a instalar a Pesquisa TAVO/TAVO-Fiscal. ");
  EXPECT_TRUE(data->AppChecked());
  EXPECT_TRUE(data->IdapiChecked());
}

TEST_F(FrmDataTest, AcceptingTheTermsEnablesNextAndUntickingDisablesItAgain) {
  Click(ids::btnNext);  // disabled: a click cannot reach it
  EXPECT_EQ(data->PageIndex(), 0);
  Click(ids::chkAccept);
  EXPECT_TRUE(Enabled(ids::btnNext));
  Click(ids::chkAccept);
  EXPECT_FALSE(Enabled(ids::btnNext));
}

TEST_F(FrmDataTest, WalksThePagesAndNamesTheLastStepInstala) {
  Click(ids::chkAccept);
  Click(ids::btnNext);
  EXPECT_EQ(data->PageIndex(), 1);
  EXPECT_TRUE(Visible(ids::edtTarget));
  EXPECT_FALSE(Visible(ids::chkAccept));
  EXPECT_TRUE(Enabled(ids::btnBack));
  Click(ids::btnNext);
  EXPECT_TRUE(Visible(ids::cboPort));
  Click(ids::btnNext);
  EXPECT_EQ(data->PageIndex(), 3);
  EXPECT_TRUE(Visible(ids::Label7));
  EXPECT_EQ(Text(ids::btnNext), "&Instala");
  Click(ids::btnBack);
  EXPECT_EQ(data->PageIndex(), 2);
  EXPECT_EQ(Text(ids::btnNext), kNext);
  Click(ids::btnBack);
  Click(ids::btnBack);
  EXPECT_EQ(data->PageIndex(), 0);
  EXPECT_FALSE(Enabled(ids::btnBack));
  Click(ids::chkAccept);  // unticked on the way back: no way forward again
  EXPECT_FALSE(Enabled(ids::btnNext));
}

TEST_F(FrmDataTest, InstalaOnTheLastPageClosesWithOk) {
  Post(ids::chkAccept);
  for (int i = 0; i < 4; ++i) Post(ids::btnNext);
  EXPECT_EQ(data->ShowModal(), IDOK);
  EXPECT_EQ(data->PageIndex(), 3);
  EXPECT_FALSE(IsWindowVisible(data->Handle()));
}

TEST_F(FrmDataTest, CancelEscAndTheCloseBoxAllCloseWithCancel) {
  Post(ids::btnCancel);
  EXPECT_EQ(data->ShowModal(), IDCANCEL);
  PostMessageA(Item(ids::chkAccept), WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_EQ(data->ShowModal(), IDCANCEL);
  PostMessageA(data->Handle(), WM_CLOSE, 0, 0);
  EXPECT_EQ(data->ShowModal(), IDCANCEL);
  EXPECT_EQ(data->PageIndex(), 0);
}

TEST_F(FrmDataTest, ListsOfferOnlyTheirFixedItems) {
  auto items = [&](int id) {
    std::vector<std::string> texts;
    HWND list = Item(id);
    for (LRESULT i = 0; i < SendMessageA(list, CB_GETCOUNT, 0, 0); ++i) {
      char text[64];
      SendMessageA(list, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
      texts.emplace_back(text);
    }
    return texts;
  };
  EXPECT_EQ(items(ids::cboType),
            (std::vector<std::string>{"TAVO 1.0", "TAVO-Fiscal 1.1", "TAVO", "TAVO-Fiscal 1.0"}));
  EXPECT_EQ(items(ids::cboPort), (std::vector<std::string>{"80", "8080", "8088", "8880", "8888"}));
  // Lists to choose from, not to type in.
  EXPECT_EQ(GetWindowLongPtrA(Item(ids::cboType), GWL_STYLE) & 3, CBS_DROPDOWNLIST);
  EXPECT_EQ(GetWindowLongPtrA(Item(ids::cboPort), GWL_STYLE) & 3, CBS_DROPDOWNLIST);
}

TEST_F(FrmDataTest, PrefilledValuesRoundTripAndBadIndexesSelectTheFirstItem) {
  data->SetTargetText("D:\\X");
  data->SetIdapiText("C:\\Program Files\\Common Files\\Borland Shared\\BDE");
  data->SelectType(3);
  data->SelectPort(2);
  EXPECT_EQ(data->TargetText(), "D:\\X");
  EXPECT_EQ(data->IdapiText(), "C:\\Program Files\\Common Files\\Borland Shared\\BDE");
  EXPECT_EQ(data->TypeIndex(), 3);
  EXPECT_EQ(data->PortIndex(), 2);
  EXPECT_EQ(Text(ids::cboPort), "8088");
  data->SelectType(4);
  data->SelectPort(-1);
  EXPECT_EQ(data->TypeIndex(), 0);
  EXPECT_EQ(data->PortIndex(), 0);
}

TEST_F(FrmDataTest, ComponentBoxesAreIndependentOfTheDirectories) {
  Click(ids::chkAccept);
  Click(ids::btnNext);
  Click(ids::chkBin);
  Click(ids::chkIDAPI);
  EXPECT_FALSE(data->AppChecked());
  EXPECT_FALSE(data->IdapiChecked());
  EXPECT_TRUE(Enabled(ids::edtTarget));
  EXPECT_TRUE(Enabled(ids::edtIDAPI));
}

TEST_F(FrmDataTest, TabOrderRunsThroughThePageThenNextCancelBack) {
  Click(ids::chkAccept);
  Click(ids::btnNext);
  std::vector<int> order;
  HWND first = Item(ids::edtTarget), at = first;
  do {
    order.push_back(GetDlgCtrlID(at));
    at = GetNextDlgTabItem(data->Handle(), at, FALSE);
  } while (at && at != first && order.size() < 20);
  EXPECT_EQ(order, (std::vector<int>{ids::edtTarget, ids::chkBin, ids::chkIDAPI, ids::edtIDAPI,
                                     ids::btnNext, ids::btnCancel, ids::btnBack}));
}

// Draws into a white bitmap of the given size and returns its pixels.
template <typename Paint>
std::vector<COLORREF> Render(int width, int height, Paint paint) {
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(dc, bitmap);
  RECT all{0, 0, width, height};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  paint(dc);
  std::vector<COLORREF> pixels;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) pixels.push_back(GetPixel(dc, x, y));
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  return pixels;
}

bool ShowsGreen(const std::vector<COLORREF>& pixels) {
  for (COLORREF c : pixels)
    if (GetGValue(c) > GetRValue(c) + 64 && GetGValue(c) > GetBValue(c) + 64) return true;
  return false;
}

TEST_F(FrmDataTest, ArrowsAreGreyWhileTheirButtonCannotBePressed) {
  auto drawn = [&](int id) {
    RECT r;
    GetClientRect(Item(id), &r);
    return Render(r.right, r.bottom, [&](HDC dc) {
      SendMessageA(Item(id), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    });
  };
  EXPECT_FALSE(ShowsGreen(drawn(ids::btnBack)));
  EXPECT_FALSE(ShowsGreen(drawn(ids::btnNext)));
  Click(ids::chkAccept);
  EXPECT_TRUE(ShowsGreen(drawn(ids::btnNext)));
  Click(ids::btnNext);
  EXPECT_TRUE(ShowsGreen(drawn(ids::btnBack)));

  // Whatever state a button is drawn in (hot, pressed, focused...), its glyph keeps the
  // button's ground around the arrow.
  for (int id : {ids::btnBack, ids::btnNext, ids::btnReadme}) {
    BUTTON_IMAGELIST glyphs{};
    SendMessageA(Item(id), BCM_GETIMAGELIST, 0, reinterpret_cast<LPARAM>(&glyphs));
    ASSERT_NE(glyphs.himl, nullptr);
    for (int i = 0; i < ImageList_GetImageCount(glyphs.himl); ++i) {
      const auto pixels =
          Render(16, 16, [&](HDC dc) { ImageList_Draw(glyphs.himl, i, dc, 0, 0, ILD_NORMAL); });
      EXPECT_EQ(pixels.front(), RGB(255, 255, 255)) << "control " << id << ", image " << i;
    }
  }
}

class FrmStatusTest : public WindowTest {
 protected:
  std::unique_ptr<TFrmStatus> status = std::make_unique<TFrmStatus>(nullptr, nullptr);
  HWND Item(int id) const { return GetDlgItem(status->Handle(), id); }
  LRESULT Position(int bar) const { return SendMessageA(Item(bar), PBM_GETPOS, 0, 0); }
  LRESULT Maximum(int bar) const { return SendMessageA(Item(bar), PBM_GETRANGE, FALSE, 0); }
};

TEST_F(FrmStatusTest, StaysHiddenUntilTheFirstOperation) {
  EXPECT_FALSE(IsWindowVisible(status->Handle()));
  EXPECT_EQ(app::GetText(status->Handle()), "Status");
  EXPECT_EQ(ClientSize(status->Handle()).cx, 369);
  EXPECT_EQ(ClientSize(status->Handle()).cy, 149);
  EXPECT_EQ(app::GetText(Item(ids::lblItem)), "Doing something...");
  EXPECT_EQ(Maximum(ids::StatusBar), 100);
  EXPECT_EQ(Position(ids::StatusBar), 0);

  status->ShowOperation("Imagens", "Expandindo A para B");
  EXPECT_TRUE(IsWindowVisible(status->Handle()));
  EXPECT_EQ(app::GetText(Item(ids::lblGroup)), "Imagens");
  EXPECT_EQ(app::GetText(Item(ids::lblItem)), "Expandindo A para B");
}

TEST_F(FrmStatusTest, GroupLabelFollowsTheLengthOfItsText) {
  auto width = [&] {
    RECT r;
    GetWindowRect(Item(ids::lblGroup), &r);
    return r.right - r.left;
  };
  status->ShowOperation("DB", "x");
  const int narrow = width();
  status->ShowOperation("Borland IDAPI (Lang Drivers)", "x");
  EXPECT_GT(width(), narrow);
}

TEST_F(FrmStatusTest, OverallBarEndsFullAfterOneStepPerOperation) {
  status->SetOperationCount(32);
  EXPECT_EQ(Maximum(ids::StatusBar), 32);
  EXPECT_EQ(Position(ids::StatusBar), 0);
  for (int i = 0; i < 31; ++i) status->StepOperation();
  EXPECT_EQ(Position(ids::StatusBar), 31);
  status->StepOperation();
  EXPECT_EQ(Position(ids::StatusBar), 32);

  status->SetArchivePercent(57);
  EXPECT_EQ(Position(ids::PackBar), 57);
  EXPECT_EQ(Maximum(ids::PackBar), 100);
}

TEST_F(FrmStatusTest, CancelDoesNothingAndTheCloseBoxOnlyHidesUntilTheNextOperation) {
  status->ShowOperation("Imagens", "one");
  SendMessageA(Item(ids::btnStatusCancel), BM_CLICK, 0, 0);
  SendMessageA(status->Handle(), WM_COMMAND, IDCANCEL, 0);  // Esc
  Pump();
  EXPECT_TRUE(IsWindowVisible(status->Handle()));
  EXPECT_EQ(app::GetText(Item(ids::lblItem)), "one");

  SendMessageA(status->Handle(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindowVisible(status->Handle()));
  ASSERT_TRUE(IsWindow(status->Handle()));
  status->ShowOperation("Imagens", "two");
  EXPECT_TRUE(IsWindowVisible(status->Handle()));
}

class FrmReadMeTest : public WindowTest {
 protected:
  apptest::Doubles doubles;
  std::string path = app::ProgramDir() + "LEIAME.TXT";
  void TearDown() override { DeleteFileA(path.c_str()); }

  // Opens a viewer that OK closes at once; returns the text it showed.
  std::string Open() {
    TFrmReadMe viewer(nullptr, nullptr);
    EXPECT_EQ(app::GetText(viewer.Handle()), "Arquivo LEIAME.TXT");
    PostMessageA(GetDlgItem(viewer.Handle(), ids::OKBtn), BM_CLICK, 0, 0);
    EXPECT_EQ(viewer.ShowModal(), IDOK);
    return app::GetText(GetDlgItem(viewer.Handle(), ids::memoReadme));
  }
};

TEST_F(FrmReadMeTest, ShowsTheReadmeBesideTheProgramWithWindowsLineEnds) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  const char text[] = "Leia-me\nSegunda linha\r\nFim\xE7";
  DWORD written = 0;
  WriteFile(file, text, sizeof text - 1, &written, nullptr);
  CloseHandle(file);

  EXPECT_EQ(Open(), "Leia-me\r\nSegunda linha\r\nFim\xE7");
  EXPECT_TRUE(doubles.Ui.Boxes.empty());
}

TEST_F(FrmReadMeTest, MissingReadmeIsReportedAndTheViewerSaysSo) {
  DeleteFileA(path.c_str());
  EXPECT_EQ(Open(), "O arquivo Leiame.txt n\xE3o foi encontrado!!");
  ASSERT_EQ(doubles.Ui.Boxes.size(), 1u);
  EXPECT_EQ(doubles.Ui.Boxes[0].Text, "Cannot open file " + path);
  EXPECT_EQ(doubles.Ui.Boxes[0].Type, platform::MsgType::Error);
}

}  // namespace
