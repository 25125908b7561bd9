#include "framework/controls.h"

#include "framework/app.h"
#include "framework/strings.h"

#include <commctrl.h>

#include <cstring>

namespace {
const wchar_t kMfcButtonClass[] = L"MfcButton";

WORD ReadWord(const BYTE* p) {
    return static_cast<WORD>(p[0] | (p[1] << 8));
}
DWORD ReadDword(const BYTE* p) {
    return static_cast<DWORD>(p[0]) | (static_cast<DWORD>(p[1]) << 8) |
           (static_cast<DWORD>(p[2]) << 16) | (static_cast<DWORD>(p[3]) << 24);
}

// "TRUE"/"FALSE" as the resource editor writes them; anything else keeps the current value.
void ParseFlag(const std::map<std::string, std::string>& p, const char* key, BOOL& out) {
    auto it = p.find(key);
    if (it == p.end()) return;
    if (it->second == "TRUE")
        out = TRUE;
    else if (it->second == "FALSE")
        out = FALSE;
}

// A plain decimal number that fits an int; anything else keeps the current value.
void ParseNumber(const std::map<std::string, std::string>& p, const char* key, int& out) {
    auto it = p.find(key);
    if (it == p.end() || it->second.empty() || it->second.size() > 9) return;
    int v = 0;
    for (char c : it->second) {
        if (c < '0' || c > '9') return;
        v = v * 10 + (c - '0');
    }
    out = v;
}

bool IsMfcButton(HWND hWnd) {
    wchar_t cls[32] = {};
    return ::GetClassNameW(hWnd, cls, 32) > 0 && ::lstrcmpiW(cls, kMfcButtonClass) == 0;
}
} // namespace

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
        wc.lpszClassName = kMfcButtonClass;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.style &= ~CS_GLOBALCLASS;
        ::RegisterClassExW(&wc);
    }
}

BOOL AfxSplitDlgInitData(const BYTE* data, size_t size, std::vector<CDlgInitRecord>& records) {
    records.clear();
    if (!data) return FALSE;
    size_t pos = 0;
    for (;;) {
        if (size - pos < 2) return FALSE;
        WORD id = ReadWord(data + pos);
        if (id == 0) return TRUE;
        if (size - pos < 8) return FALSE;
        CDlgInitRecord r{id, ReadWord(data + pos + 2), data + pos + 8, ReadDword(data + pos + 4)};
        pos += 8;
        // A length from the file is trusted with nothing: compared with what is left, never
        // added to a pointer first.
        if (r.nLen > size - pos) return FALSE;
        records.push_back(r);
        pos += r.nLen;
        if (pos & 1) {
            if (pos == size) return FALSE;
            ++pos;
        }
    }
}

BOOL AfxParseButtonProperties(const char* text, size_t len,
                              std::map<std::string, std::string>& properties) {
    if (!text) return FALSE;
    const void* nul = std::memchr(text, '\0', len);
    std::string s(text, nul ? static_cast<const char*>(nul) - text : len);
    size_t pos = 0;
    while (pos < s.size()) {
        if (s[pos] != '<') return FALSE;
        size_t close = s.find('>', pos + 1);
        if (close == std::string::npos) return FALSE;
        std::string key = s.substr(pos + 1, close - pos - 1);
        if (key.empty() || key.find_first_of("</") != std::string::npos) return FALSE;
        std::string endTag = "</" + key + ">";
        size_t end = s.find(endTag, close + 1);
        if (end == std::string::npos) return FALSE;
        properties[key] = s.substr(close + 1, end - close - 1);
        pos = end + endTag.size();
    }
    return TRUE;
}

void AfxApplyDialogInitData(HWND hDlg, const BYTE* data, size_t size) {
    std::vector<CDlgInitRecord> records;
    // A damaged list still gives its whole records: apply what was read.
    AfxSplitDlgInitData(data, size, records);
    for (const CDlgInitRecord& r : records) {
        // The program's templates carry button properties only; other messages (list and combo
        // box strings) would be sent blind to a control of an unknown kind, so they are skipped.
        if (r.nMsg != AFX_WM_MFC_INITCTRL) continue;
        HWND ctl = ::GetDlgItem(hDlg, r.nIDC);
        if (!ctl || !IsMfcButton(ctl)) continue;
        std::map<std::string, std::string> props;
        AfxParseButtonProperties(reinterpret_cast<const char*>(r.pData), r.nLen, props);
        CMFCButton* button = CMFCButton::FromHandle(ctl);
        if (!button) {
            if (CWnd::FromHandlePermanent(ctl)) continue; // owned by another object
            button = new CMFCButton;
            if (!button->SubclassWindow(ctl)) {
                delete button;
                continue;
            }
        }
        button->SetProperties(props);
    }
}

void AfxApplyDialogInitData(HWND hDlg, UINT nIDTemplate) {
    HINSTANCE hInst = AfxGetResourceHandle();
    HRSRC res =
        ::FindResourceW(hInst, MAKEINTRESOURCEW(nIDTemplate), MAKEINTRESOURCEW(AFX_RT_DLGINIT));
    if (!res) return;
    HGLOBAL h = ::LoadResource(hInst, res);
    const BYTE* data = h ? static_cast<const BYTE*>(::LockResource(h)) : nullptr;
    if (!data) return;
    AfxApplyDialogInitData(hDlg, data, ::SizeofResource(hInst, res));
}

CMFCButton* CMFCButton::FromHandle(HWND hWnd) {
    return dynamic_cast<CMFCButton*>(CWnd::FromHandlePermanent(hWnd));
}

void CMFCButton::SetProperties(const std::map<std::string, std::string>& properties) {
    m_properties = properties;
    ParseNumber(properties, "MFCButton_Style", m_nStyle);
    ParseFlag(properties, "MFCButton_Autosize", m_bAutosize);
    auto tip = properties.find("MFCButton_Tooltip");
    if (tip != properties.end()) m_strTooltip = WidenAnsi(tip->second);
    ParseFlag(properties, "MFCButton_FullTextTool", m_bFullTextTool);
    ParseNumber(properties, "MFCButton_CursorType", m_nCursorType);
    ParseNumber(properties, "MFCButton_ImageType", m_nImageType);
    ParseFlag(properties, "MFCButton_ImageOnTop", m_bImageOnTop);
    ParseFlag(properties, "MFCButton_ImageOnRight", m_bImageOnRight);

    // The look stays the system's push button whatever the style; no image is drawn; the class
    // cursor is already the standard arrow; the size stays the template's. Of the properties only
    // a tooltip text has a visible effect.
    if (m_hToolTip) {
        ::DestroyWindow(m_hToolTip);
        m_hToolTip = nullptr;
    }
    if (m_strTooltip.empty()) return;
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_BAR_CLASSES};
    ::InitCommonControlsEx(&icc);
    // Owned by the dialog, so it goes with it; PostNcDestroy takes it down with the button.
    m_hToolTip =
        ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                          CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                          ::GetParent(m_hWnd), nullptr, AfxGetInstanceHandle(), nullptr);
    if (!m_hToolTip) return;
    TTTOOLINFOW ti{};
    ti.cbSize = TTTOOLINFOW_V1_SIZE;
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.hwnd = ::GetParent(m_hWnd);
    ti.uId = reinterpret_cast<UINT_PTR>(m_hWnd);
    ti.lpszText = &m_strTooltip[0];
    ::SendMessageW(m_hToolTip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
}

void CMFCButton::PostNcDestroy() {
    if (m_hToolTip && ::IsWindow(m_hToolTip)) ::DestroyWindow(m_hToolTip);
    delete this;
}
