#include "TandrelTestKit.h"

#include <commctrl.h>

#include "ProductVersion.h"
#include "resources/resource.h"
#include "support/Machine.h"

namespace tandrelkit {

const wchar_t kMainTitle[] = L"Tandrel ver." PRODUCT_VERSION_WTEXT;
const wchar_t kDialogClass[] = L"#32770";

namespace {
const wchar_t kSettingsTitle[] = L"設定";
}  // namespace

std::wstring ViewTitle(int width, int height) {
    return std::to_wstring(width) + L"px × " + std::to_wstring(height) + L"px";
}

std::wstring SettingsPath() {
    return machine::WindowsDir() + L"\\TDR.ini";
}

int ReadSetting(const wchar_t* key) {
    return static_cast<int>(GetPrivateProfileIntW(L"SETTINGS", key, -99, SettingsPath().c_str()));
}

std::wstring ReadSettingText(const wchar_t* key) {
    wchar_t text[1024] = {};
    GetPrivateProfileStringW(L"SETTINGS", key, L"<absent>", text, 1024, SettingsPath().c_str());
    return text;
}

int SliderPosition(HWND dialog, int id) {
    return static_cast<int>(gui::SendToControl(dialog, id, TBM_GETPOS));
}

bool SelectionClosed(HWND main) {
    return gui::ControlText(main, IDC_SELECT_REGION) == L"選択範囲解除" &&
           gui::IsControlEnabled(main, IDC_APPLY_MOSAIC) && gui::IsControlEnabled(main, IDC_APPLY_BLUR);
}

void CloseDocument(std::unique_ptr<ImageDoc>& doc) {
    if (doc) {
        EXPECT_TRUE(doc->CloseView()) << "the view thread ends";
        doc.reset();
    }
}

FreshCopy WaitForFreshCopy(DWORD oldPid) {
    FreshCopy copy;
    copy.main = gui::WaitForWindowWhere([&](HWND window) {
        DWORD pid = gui::ProcessOf(window);
        return pid != oldPid && pid != GetCurrentProcessId() && gui::ClassOf(window) == kDialogClass &&
               gui::WindowText(window) == kMainTitle;
    });
    if (copy.main) {
        DWORD pid = gui::ProcessOf(copy.main);
        copy.process =
            gui::Process(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE, FALSE, pid), pid);
    }
    return copy;
}

void TandrelGui::SetUp() {
    DeleteFileW(SettingsPath().c_str());
    SetCursorPos(1275, 1019);
}

void TandrelGui::TearDown() {
    DeleteFileW(SettingsPath().c_str());
}

void TandrelGui::WriteSettings(const std::string& lines) {
    ASSERT_TRUE(testfiles::WriteFileBytes(SettingsPath(), "[SETTINGS]\r\n" + lines));
}

void TandrelGui::Start(const std::wstring& arguments) {
    tandrel_ = gui::StartProgram(testfiles::BinDir() + L"Tandrel.exe", arguments, work_.Path());
    ASSERT_TRUE(tandrel_.Started());
    main_ = gui::WaitForWindow(tandrel_.Id(), kDialogClass, kMainTitle);
    ASSERT_NE(main_, nullptr);
}

bool TandrelGui::WaitForPictureOpened(DWORD timeoutMs) {
    return gui::WaitUntil(
        [&] {
            return GetForegroundWindow() == main_ &&
                   gui::ControlText(main_, IDC_INPUT_STATUS) == L"ファイルが読み込まれました";
        },
        timeoutMs);
}

HWND TandrelGui::WaitForView(int width, int height, DWORD timeoutMs) {
    return gui::WaitForWindow(tandrel_.Id(), kDialogClass, ViewTitle(width, height).c_str(), timeoutMs);
}

HWND TandrelGui::OpenSettings() {
    gui::PressButton(main_, IDC_SETTINGS);
    HWND dialog = gui::WaitForWindow(tandrel_.Id(), kDialogClass, kSettingsTitle);
    EXPECT_NE(dialog, nullptr);
    if (dialog) {
        gui::Sync(dialog);
    }
    return dialog;
}

void TandrelGui::CloseMain() {
    PostMessageW(main_, WM_CLOSE, 0, 0);
    // A picture changed since loading brings up the question about saving
    // first: leave without saving, as the close always did.
    HWND box = nullptr;
    gui::WaitUntil([&] { return !tandrel_.Running() || (box = gui::WaitForMessageBox(tandrel_.Id(), 0)) != nullptr; },
                   15000);
    if (box) {
        EXPECT_EQ(gui::ReadMessageBox(box).text, L"変更を保存しますか？");
        gui::PressButton(box, IDNO);
    }
    ExpectExit();
}

void TandrelGui::ExpectExit() {
    EXPECT_EQ(tandrel_.WaitForExit(15000), 0u);
}

}  // namespace tandrelkit
