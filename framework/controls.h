#pragma once
// Window classes the dialog templates name, and the dialog initialisation data of their controls.
#include "framework/wnd.h"

#include <map>
#include <string>

// Registers the common controls and the "MfcButton" class; a template naming a class that is not
// registered fails to open. Safe to call more than once.
void AfxRegisterControlClasses();

// Reads the template's dialog initialisation data (resource type 240 of the same id) and hands
// each control its properties.
void AfxApplyDialogInitData(HWND hDlg, UINT nIDTemplate);

// The owner-drawn button of the framework, with the properties its init data gives it.
class CMFCButton : public CWnd {
public:
    std::map<std::string, std::string> m_properties;
};
