#pragma once
// The window object: an HWND with a C++ object behind it. Messages reach the object's virtual
// WindowProc, which offers them to OnWndMsg (a derived class's message map) and otherwise to the
// window procedure the object subclassed.
#include <windows.h>
#include <string>

class CWnd {
public:
    CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;
    virtual ~CWnd();

    HWND GetSafeHwnd() const { return m_hWnd; }

    // Binds an existing window without taking over its messages (a control bound by data exchange).
    void Attach(HWND hWnd) { m_hWnd = hWnd; }
    HWND Detach();

    // Takes over the window's messages: they reach WindowProc from now on.
    BOOL SubclassWindow(HWND hWnd);
    static CWnd* FromHandlePermanent(HWND hWnd);

    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // A derived class's message map: TRUE when it handled the message, with *pResult set.
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // The default handling of the message being dispatched right now.
    LRESULT Default();

    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    void SetWindowText(const std::wstring& text) { ::SetWindowTextW(m_hWnd, text.c_str()); }
    std::wstring GetWindowText() const;
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::SendMessageW(m_hWnd, message, wParam, lParam);
    }
    BOOL ShowWindow(int cmd) { return ::ShowWindow(m_hWnd, cmd); }
    BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
    void GetClientRect(RECT* rc) const { ::GetClientRect(m_hWnd, rc); }
    void CenterWindow();

    HWND m_hWnd = nullptr;

protected:
    virtual void PostNcDestroy() {}

private:
    static LRESULT CALLBACK StaticWndProc(HWND, UINT, WPARAM, LPARAM);
    WNDPROC m_pfnSuper = nullptr;
    struct CurrentMsg {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    } m_current{};
};
