#include "framework/gdi.h"

void CDC::FillSolidRect(const RECT& rc, COLORREF color) {
    COLORREF old = ::SetBkColor(m_hDC, color);
    ::ExtTextOutW(m_hDC, 0, 0, ETO_OPAQUE, &rc, nullptr, 0, nullptr);
    ::SetBkColor(m_hDC, old);
}

void CDC::HIMETRICtoDP(SIZE* size) const {
    const int kHimetricPerInch = 2540;
    size->cx = ::MulDiv(size->cx, ::GetDeviceCaps(m_hDC, LOGPIXELSX), kHimetricPerInch);
    size->cy = ::MulDiv(size->cy, ::GetDeviceCaps(m_hDC, LOGPIXELSY), kHimetricPerInch);
}

CPaintDC::CPaintDC(HWND hWnd) : m_hWnd(hWnd) { m_hDC = ::BeginPaint(hWnd, &m_ps); }
CPaintDC::~CPaintDC() { ::EndPaint(m_hWnd, &m_ps); }

CClientDC::CClientDC(HWND hWnd) : m_hWnd(hWnd) { m_hDC = ::GetDC(hWnd); }
CClientDC::~CClientDC() {
    if (m_hDC) ::ReleaseDC(m_hWnd, m_hDC);
}
