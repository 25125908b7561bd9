#include "framework/dialog.h"

#include "framework/app.h"
#include "framework/controls.h"

void DDX_Text(CDataExchange* pDX, int id, std::wstring& value) {
    HWND ctl = pDX->m_pDlgWnd->GetDlgItem(id);
    if (!ctl) return;
    int n = ::GetWindowTextLengthW(ctl);
    std::wstring current(n + 1, L'\0');
    n = ::GetWindowTextW(ctl, &current[0], n + 1);
    current.resize(n > 0 ? n : 0);
    if (pDX->m_bSaveAndValidate)
        value = current;
    else if (current != value)
        ::SetWindowTextW(ctl, value.c_str());
}

void DDX_Control(CDataExchange* pDX, int id, CWnd& control) {
    if (!control.m_hWnd) control.Attach(pDX->m_pDlgWnd->GetDlgItem(id));
}

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_nIDHelp(nIDTemplate), m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

CDialog::~CDialog() {
    if (m_hWnd && ::IsWindow(m_hWnd)) ::DestroyWindow(m_hWnd);
}

INT_PTR CDialog::DoModal() {
    HINSTANCE hInst = AfxGetResourceHandle();
    HRSRC res = ::FindResourceW(hInst, MAKEINTRESOURCEW(m_nIDTemplate), RT_DIALOG);
    HGLOBAL data = res ? ::LoadResource(hInst, res) : nullptr;
    auto* tmpl = data ? static_cast<LPCDLGTEMPLATEW>(::LockResource(data)) : nullptr;
    if (!tmpl) return -1;
    AfxRegisterControlClasses();
    HWND parent = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    m_bContinueModal = true;
    m_nModalResult = -1;
    HWND h = ::CreateDialogIndirectParamW(hInst, tmpl, parent, &CDialog::DialogProc,
                                          reinterpret_cast<LPARAM>(this));
    if (!h) return -1;
    if (m_bContinueModal) RunModalLoop();
    if (m_hWnd) {
        ::ShowWindow(m_hWnd, SW_HIDE);
        ::DestroyWindow(m_hWnd);
    }
    return m_nModalResult;
}

void CDialog::RunModalLoop() {
    MSG msg;
    while (m_bContinueModal) {
        BOOL r = ::GetMessageW(&msg, nullptr, 0, 0);
        if (r == 0) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (r == -1) break;
        if (!PreTranslateMessage(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
}

void CDialog::EndDialog(int nResult) {
    m_nModalResult = nResult;
    m_bContinueModal = false;
    // EndDialog may run inside a message sent from another thread, which GetMessage handles
    // without returning: a posted message makes the modal loop look at the flag again.
    if (m_hWnd) ::PostMessageW(m_hWnd, WM_NULL, 0, 0);
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT message, WPARAM, LPARAM lParam) {
    if (message != WM_INITDIALOG) return FALSE;
    auto* self = reinterpret_cast<CDialog*>(lParam);
    self->SubclassWindow(hWnd);
    AfxApplyDialogInitData(hWnd, self->m_nIDTemplate);
    // An owner-less dialog opens centred on the screen.
    self->CenterWindow();
    return self->OnInitDialog();
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::DoDataExchange(CDataExchange*) {}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate) {
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return TRUE;
}

BOOL CDialog::PreTranslateMessage(MSG* pMsg) {
    if (pMsg->hwnd != m_hWnd && !::IsChild(m_hWnd, pMsg->hwnd)) return FALSE;
    return ::IsDialogMessageW(m_hWnd, pMsg);
}

void CDialog::OnOK() { EndDialog(IDOK); }
void CDialog::OnCancel() { EndDialog(IDCANCEL); }

BOOL CDialog::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    if (message == WM_COMMAND) {
        switch (LOWORD(wParam)) {
        case IDOK:
            OnOK();
            *pResult = 0;
            return TRUE;
        case IDCANCEL:
            OnCancel();
            *pResult = 0;
            return TRUE;
        }
    }
    return CWnd::OnWndMsg(message, wParam, lParam, pResult);
}
