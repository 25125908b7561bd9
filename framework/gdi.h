#pragma once
// Drawing contexts and GDI objects, each with one owner, so that every DC is given back and every
// object is deselected before it is deleted, on every path.
#include <windows.h>

class CDC {
public:
    HDC m_hDC = nullptr;
    HDC GetSafeHdc() const { return m_hDC; }
    void FillSolidRect(const RECT& rc, COLORREF color);
    BOOL MoveTo(int x, int y) { return ::MoveToEx(m_hDC, x, y, nullptr); }
    BOOL LineTo(int x, int y) { return ::LineTo(m_hDC, x, y); }
    BOOL DrawIcon(int x, int y, HICON icon) { return ::DrawIcon(m_hDC, x, y, icon); }
    // HIMETRIC (0.01 mm) to device units of this context.
    void HIMETRICtoDP(SIZE* size) const;
};

// BeginPaint/EndPaint.
class CPaintDC : public CDC {
public:
    explicit CPaintDC(HWND hWnd);
    ~CPaintDC();
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;
    PAINTSTRUCT m_ps{};

private:
    HWND m_hWnd;
};

// The whole client area, not limited to the part being repainted (GetDC/ReleaseDC).
class CClientDC : public CDC {
public:
    explicit CClientDC(HWND hWnd);
    ~CClientDC();
    CClientDC(const CClientDC&) = delete;
    CClientDC& operator=(const CClientDC&) = delete;

private:
    HWND m_hWnd;
};

// A GDI object owned by value; deleted on destruction.
template <class H> class CGdiObject {
public:
    CGdiObject() = default;
    explicit CGdiObject(H h) : m_h(h) {}
    ~CGdiObject() { Reset(); }
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;
    void Reset(H h = nullptr) {
        if (m_h) ::DeleteObject(m_h);
        m_h = h;
    }
    H Get() const { return m_h; }
    explicit operator bool() const { return m_h != nullptr; }

private:
    H m_h = nullptr;
};

class CPen : public CGdiObject<HPEN> {
public:
    CPen(int style, int width, COLORREF color) : CGdiObject(::CreatePen(style, width, color)) {}
};

class CFont : public CGdiObject<HFONT> {
public:
    CFont() = default;
    BOOL CreateFontIndirect(const LOGFONTW& lf) {
        Reset(::CreateFontIndirectW(&lf));
        return Get() != nullptr;
    }
};

// Selects an object into a DC for the guard's lifetime and puts the previous one back; declare it
// after the object it selects, so the object outlives the selection.
class CSelectGuard {
public:
    CSelectGuard(HDC dc, HGDIOBJ obj) : m_dc(dc), m_old(obj ? ::SelectObject(dc, obj) : nullptr) {}
    ~CSelectGuard() {
        if (m_old) ::SelectObject(m_dc, m_old);
    }
    CSelectGuard(const CSelectGuard&) = delete;
    CSelectGuard& operator=(const CSelectGuard&) = delete;

private:
    HDC m_dc;
    HGDIOBJ m_old;
};
