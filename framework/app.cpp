#include "framework/app.h"

#include <objbase.h>
#include <ole2.h>

namespace {
CWinApp* g_app = nullptr;
HINSTANCE g_instance = nullptr;
}

CWinApp::CWinApp(const wchar_t* pszAppName) {
    if (pszAppName) m_strAppName = pszAppName;
    g_app = this;
}

CWinApp::~CWinApp() {
    if (g_app == this) g_app = nullptr;
}

BOOL CWinApp::InitInstance() { return TRUE; }

int CWinApp::ExitInstance() { return m_nExitCode; }

int CWinApp::Run() {
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return ExitInstance();
}

BOOL CWinApp::OnCmdMsg(UINT nID) {
    // The command map: the Help command goes to the default help handler.
    const UINT kIdHelp = 0xE146;
    if (nID == kIdHelp) {
        OnHelp();
        return TRUE;
    }
    return FALSE;
}

void CWinApp::SetRegistryKey(const wchar_t* pszRegistryKey) {
    m_strRegistryKey = pszRegistryKey ? pszRegistryKey : L"";
    m_strProfileName = m_strAppName;
}

CWinApp* AfxGetApp() { return g_app; }
HINSTANCE AfxGetInstanceHandle() { return g_instance ? g_instance : ::GetModuleHandleW(nullptr); }
HINSTANCE AfxGetResourceHandle() { return AfxGetInstanceHandle(); }

int AfxWinMain(HINSTANCE hInstance, int) {
    g_instance = hInstance;
    CWinApp* app = AfxGetApp();
    if (!app) return -1;
    app->m_hInstance = hInstance;
    if (app->m_strAppName.empty()) {
        wchar_t path[MAX_PATH] = {};
        ::GetModuleFileNameW(nullptr, path, MAX_PATH);
        std::wstring name = path;
        size_t slash = name.find_last_of(L"\\/");
        if (slash != std::wstring::npos) name = name.substr(slash + 1);
        size_t dot = name.rfind(L'.');
        if (dot != std::wstring::npos) name = name.substr(0, dot);
        app->m_strAppName = name;
    }
    // The picture object is an OLE object: OLE must be up on the window's thread.
    HRESULT ole = ::OleInitialize(nullptr);
    int rc;
    if (!app->InitInstance())
        rc = app->ExitInstance();
    else
        rc = app->Run();
    if (SUCCEEDED(ole)) ::OleUninitialize();
    return rc;
}
