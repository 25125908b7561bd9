#pragma once
// The modal dialog made from a template resource, and the transfer of fields to its controls.
#include "framework/wnd.h"

#include <string>

class CDialog;

class CDataExchange {
public:
    CDataExchange(CDialog* dlg, BOOL bSaveAndValidate) : m_pDlgWnd(dlg), m_bSaveAndValidate(bSaveAndValidate) {}
    CDialog* m_pDlgWnd;
    BOOL m_bSaveAndValidate;
};

// Field -> control sets the text only when it differs from the control's own, so an unchanged
// field never makes its control repaint.
void DDX_Text(CDataExchange* pDX, int id, std::wstring& value);
// Binds the control window of `id` to `control` (once).
void DDX_Control(CDataExchange* pDX, int id, CWnd& control);

class CDialog : public CWnd {
public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    ~CDialog() override;

    // Creates the dialog from its template, runs the modal loop until EndDialog, destroys it.
    virtual INT_PTR DoModal();
    void EndDialog(int nResult);

    virtual BOOL OnInitDialog();
    virtual void DoDataExchange(CDataExchange* pDX);
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);
    // TRUE when the message was handled and must not be dispatched.
    virtual BOOL PreTranslateMessage(MSG* pMsg);
    virtual void OnOK();
    virtual void OnCancel();

    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

    UINT m_nIDHelp;

protected:
    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;

private:
    static INT_PTR CALLBACK DialogProc(HWND, UINT, WPARAM, LPARAM);
    void RunModalLoop();
    bool m_bContinueModal = false;
    int m_nModalResult = -1;
};

class CProgressCtrl : public CWnd {
public:
    void SetRange(short lower, short upper) { SendMessage(0x0401 /*PBM_SETRANGE*/, 0, MAKELPARAM(lower, upper)); }
    int SetPos(int pos) { return static_cast<int>(SendMessage(0x0402 /*PBM_SETPOS*/, pos, 0)); }
};
