#include "framework/controls.h"

#include <commctrl.h>

void AfxRegisterControlClasses() {
    static bool done = false;
    if (done) return;
    done = true;
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&icc);
    // "MfcButton" is a push button with the framework's look: a superclass of BUTTON.
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    if (::GetClassInfoExW(nullptr, L"BUTTON", &wc)) {
        wc.lpszClassName = L"MfcButton";
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.style &= ~CS_GLOBALCLASS;
        ::RegisterClassExW(&wc);
    }
}

void AfxApplyDialogInitData(HWND, UINT) {}
