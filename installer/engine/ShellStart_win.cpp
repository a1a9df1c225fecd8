#include "engine/ShellStart_win.h"

#include <windows.h>

#include <exdisp.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shlobj.h>

#include <string>

#include "win/Com.h"

namespace {

std::wstring Wide(const char* text) {
    int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (length <= 0) {
        return std::wstring();
    }
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, &wide[0], length);
    wide.resize(static_cast<size_t>(length - 1));
    return wide;
}

// The desktop's IShellDispatch2, reached through the desktop window's folder
// view (the way documented for starting a process unelevated from an
// elevated one).
bool DesktopShellDispatch(ComPtr<IShellDispatch2>& shell) {
    ComPtr<IShellWindows> windows;
    if (FAILED(
            CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows, windows.OutVoid()))) {
        return false;
    }
    VARIANT location;
    VariantInit(&location);
    location.vt = VT_I4;
    location.lVal = CSIDL_DESKTOP;
    VARIANT root;
    VariantInit(&root);
    long window = 0;
    ComPtr<IDispatch> desktop;
    // S_FALSE: no desktop window is registered.
    if (windows->FindWindowSW(&location, &root, SWC_DESKTOP, &window, SWFO_NEEDDISPATCH, desktop.Out()) != S_OK ||
        !desktop) {
        return false;
    }
    ComPtr<IServiceProvider> services;
    ComPtr<IShellBrowser> browser;
    ComPtr<IShellView> view;
    ComPtr<IDispatch> background;
    ComPtr<IShellFolderViewDual> folderView;
    ComPtr<IDispatch> application;
    return SUCCEEDED(desktop->QueryInterface(IID_IServiceProvider, services.OutVoid())) &&
           SUCCEEDED(services->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, browser.OutVoid())) &&
           SUCCEEDED(browser->QueryActiveShellView(view.Out())) && view &&
           SUCCEEDED(view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, background.OutVoid())) && background &&
           SUCCEEDED(background->QueryInterface(IID_IShellFolderViewDual, folderView.OutVoid())) &&
           SUCCEEDED(folderView->get_Application(application.Out())) && application &&
           SUCCEEDED(application->QueryInterface(IID_IShellDispatch2, shell.OutVoid())) && shell;
}

}  // namespace

bool StartFromDesktopShell(const char* file, const char* parameters, const char* directory) {
    ComApartment com;
    ComPtr<IShellDispatch2> shell;
    if (!DesktopShellDispatch(shell)) {
        return false;
    }
    Bstr fileText(Wide(file).c_str());
    Bstr parameterText(Wide(parameters).c_str());
    Bstr directoryText(Wide(directory).c_str());
    Bstr verb(L"");
    if (!fileText || !parameterText || !directoryText || !verb) {
        return false;
    }
    VARIANT arguments;
    VariantInit(&arguments);
    arguments.vt = VT_BSTR;
    arguments.bstrVal = parameterText.Get();
    VARIANT dir;
    VariantInit(&dir);
    dir.vt = VT_BSTR;
    dir.bstrVal = directoryText.Get();
    VARIANT operation;
    VariantInit(&operation);
    operation.vt = VT_BSTR;
    operation.bstrVal = verb.Get();
    VARIANT show;
    VariantInit(&show);
    show.vt = VT_I4;
    show.lVal = SW_SHOWNORMAL;
    return SUCCEEDED(shell->ShellExecute(fileText.Get(), arguments, dir, operation, show));
}
