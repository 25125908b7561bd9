#include "framework/wnd.h"

#include <vector>

namespace {
const wchar_t kObjectProp[] = L"Downloader.CWnd";
}

CWnd::~CWnd() {
    if (m_pfnSuper && m_hWnd && ::IsWindow(m_hWnd)) {
        ::SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
        ::RemovePropW(m_hWnd, kObjectProp);
    }
}

HWND CWnd::Detach() {
    HWND h = m_hWnd;
    m_hWnd = nullptr;
    return h;
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd) {
    return static_cast<CWnd*>(::GetPropW(hWnd, kObjectProp));
}

BOOL CWnd::SubclassWindow(HWND hWnd) {
    if (!hWnd || FromHandlePermanent(hWnd)) return FALSE;
    m_hWnd = hWnd;
    ::SetPropW(hWnd, kObjectProp, this);
    m_pfnSuper = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::StaticWndProc)));
    return TRUE;
}

LRESULT CALLBACK CWnd::StaticWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CWnd* self = FromHandlePermanent(hWnd);
    if (!self) return ::DefWindowProcW(hWnd, message, wParam, lParam);
    // Nested messages (a SendMessage from inside a handler) keep the outer message for Default().
    CurrentMsg saved = self->m_current;
    self->m_current = {message, wParam, lParam};
    LRESULT r;
    if (message == WM_NCDESTROY) {
        WNDPROC super = self->m_pfnSuper;
        ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(super));
        ::RemovePropW(hWnd, kObjectProp);
        self->m_pfnSuper = nullptr;
        self->m_hWnd = nullptr;
        r = ::CallWindowProcW(super, hWnd, message, wParam, lParam);
        self->PostNcDestroy();
        return r;
    }
    r = self->WindowProc(message, wParam, lParam);
    self->m_current = saved;
    return r;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (OnWndMsg(message, wParam, lParam, &result)) return result;
    return DefWindowProc(message, wParam, lParam);
}

BOOL CWnd::OnWndMsg(UINT, WPARAM, LPARAM, LRESULT*) { return FALSE; }

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (m_pfnSuper) return ::CallWindowProcW(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcW(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default() {
    return DefWindowProc(m_current.message, m_current.wParam, m_current.lParam);
}

std::wstring CWnd::GetWindowText() const {
    int n = ::GetWindowTextLengthW(m_hWnd);
    std::vector<wchar_t> buf(n + 1);
    n = ::GetWindowTextW(m_hWnd, buf.data(), n + 1);
    return std::wstring(buf.data(), n > 0 ? n : 0);
}

void CWnd::CenterWindow() {
    // Centred on the work area of the monitor the window is on, as an owner-less dialog opens.
    RECT rc, area;
    ::GetWindowRect(m_hWnd, &rc);
    MONITORINFO mi{};
    mi.cbSize = sizeof(mi);
    if (::GetMonitorInfoW(::MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTOPRIMARY), &mi))
        area = mi.rcWork;
    else
        ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    int w = rc.right - rc.left, h = rc.bottom - rc.top;
    int x = area.left + ((area.right - area.left) - w) / 2;
    int y = area.top + ((area.bottom - area.top) - h) / 2;
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
