// Form1 in-process: font, colours of the label, the timer and the busy state.
#include <gtest/gtest.h>
#include <windows.h>

#include "app/mian.h"
#include "app/win32/Form1Window.h"
#include "app/win32/Win32Screen.h"

namespace {

class Form1Test : public ::testing::Test {
 protected:
  void SetUp() override {
    form_ = win32form::createForm1(GetModuleHandleW(nullptr));
    ASSERT_NE(form_, nullptr);
    screen_ = std::make_unique<Win32Screen>(form_, "test");
    screen::attach(screen_.get());
  }
  void TearDown() override {
    screen::attach(nullptr);
    if (IsWindow(form_)) DestroyWindow(form_);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
  }
  HWND form_ = nullptr;
  std::unique_ptr<Win32Screen> screen_;
};

}  // namespace

TEST_F(Form1Test, ControlsUseTahomaElevenPixels) {
  for (int id : {win32form::kMemoId, win32form::kUpgradeId, win32form::kBackupId, win32form::kLabelId}) {
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(GetDlgItem(form_, id), WM_GETFONT, 0, 0));
    LOGFONTW lf{};
    ASSERT_EQ(GetObjectW(font, sizeof lf, &lf), static_cast<int>(sizeof lf));
    EXPECT_STREQ(lf.lfFaceName, L"Tahoma");
    EXPECT_EQ(lf.lfHeight, -11);
    EXPECT_EQ(lf.lfCharSet, DEFAULT_CHARSET);
  }
}

TEST_F(Form1Test, BusyStateAlternatesTheLabelOnTimerTicks) {
  HWND label = GetDlgItem(form_, win32form::kLabelId);
  showBusy();
  EXPECT_TRUE(IsWindowVisible(label));
  // Three ticks of 300 ms: the label leaves its initial text and alternates.
  const DWORD start = GetTickCount();
  std::string seen;
  while (GetTickCount() - start < 1500) {
    screen::processMessages();
    const std::string text = screen_->labelText();
    if (seen.empty() || seen.substr(seen.rfind('|') + 1) != text) seen += "|" + text;
    Sleep(20);
  }
  hideBusy();
  EXPECT_FALSE(IsWindowVisible(label));
  EXPECT_EQ(seen.rfind("|正在处理中|正在处理中，请稍等.....|处理过程需要花费几分钟，请耐心等待...", 0), 0u) << seen;
  EXPECT_EQ(busyFlag, "0");
}

TEST_F(Form1Test, ClientAreaAndFrame) {
  RECT client{};
  GetClientRect(form_, &client);
  EXPECT_EQ(client.right, 437);
  EXPECT_EQ(client.bottom, 199);
  EXPECT_EQ(GetWindowLongW(form_, GWL_STYLE) & (WS_THICKFRAME | WS_MAXIMIZEBOX | WS_MINIMIZEBOX), 0);
  EXPECT_NE(GetWindowLongW(form_, GWL_EXSTYLE) & WS_EX_APPWINDOW, 0);
}
