#pragma once
// Window classes the dialog templates name, and the dialog initialisation data of their controls.
#include "framework/wnd.h"

#include <cstddef>
#include <map>
#include <string>
#include <vector>

// Registers the common controls and the "MfcButton" class; a template naming a class that is not
// registered fails to open. Safe to call more than once.
void AfxRegisterControlClasses();

// The message of an init-data record that carries an owner-drawn button's properties.
const WORD AFX_WM_MFC_INITCTRL = 0x037C;
// The resource type of dialog initialisation data; its id is the template's.
const WORD AFX_RT_DLGINIT = 240;

// One record of dialog initialisation data; pData points into the data that was split.
struct CDlgInitRecord {
    WORD nIDC;
    WORD nMsg;
    const BYTE* pData;
    DWORD nLen;
};

// Splits dialog initialisation data: records of WORD control id, WORD message, DWORD length and
// that many bytes, each record starting on a WORD boundary, the list ended by a zero control id.
// Reads nothing outside [data, data + size). FALSE when a record runs past the end or the end
// marker is missing; the whole records before that point are still returned.
BOOL AfxSplitDlgInitData(const BYTE* data, size_t size, std::vector<CDlgInitRecord>& records);

// Parses an owner-drawn button's "<Key>value</Key>..." text, up to its first NUL or `len`
// bytes. FALSE when the text is malformed; the pairs before the fault are still stored.
BOOL AfxParseButtonProperties(const char* text, size_t len,
                              std::map<std::string, std::string>& properties);

// Reads the template's dialog initialisation data (resource type 240 of the same id) and hands
// each "MfcButton" control its properties. A template without such data is left as it is.
void AfxApplyDialogInitData(HWND hDlg, UINT nIDTemplate);
// The same, from data in memory.
void AfxApplyDialogInitData(HWND hDlg, const BYTE* data, size_t size);

// The owner-drawn button of the framework. It stays a classic push button (a superclass of
// BUTTON); of its properties only those with a meaning for that look take effect. The object
// lives as long as its control: it is made when the init data is applied and deletes itself when
// the control is destroyed.
class CMFCButton : public CWnd {
  public:
    // The object behind a button that received init data; null for any other window.
    static CMFCButton* FromHandle(HWND hWnd);

    // Stores the raw properties and their typed values, and applies them to the control.
    void SetProperties(const std::map<std::string, std::string>& properties);

    std::map<std::string, std::string> m_properties;
    int m_nStyle = 4;             // "MFCButton_Style": 4 is the three-dimensional look
    BOOL m_bAutosize = FALSE;     // "MFCButton_Autosize": FALSE keeps the template size
    std::wstring m_strTooltip;    // "MFCButton_Tooltip": empty shows no tooltip
    BOOL m_bFullTextTool = TRUE;  // "MFCButton_FullTextTool"
    int m_nCursorType = 11;       // "MFCButton_CursorType": 11 is the standard arrow
    int m_nImageType = 8;         // "MFCButton_ImageType": 8 is no image
    BOOL m_bImageOnTop = FALSE;   // "MFCButton_ImageOnTop"
    BOOL m_bImageOnRight = FALSE; // "MFCButton_ImageOnRight"
    HWND m_hToolTip = nullptr;    // the tooltip window, only for a non-empty tooltip text

  protected:
    void PostNcDestroy() override;
};
