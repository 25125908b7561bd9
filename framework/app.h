#pragma once
// The application object and the program's entry point.
#include <windows.h>
#include <string>

class CWnd;

class CWinApp {
public:
    // With no name the application takes the name of the program's file.
    explicit CWinApp(const wchar_t* pszAppName = nullptr);
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;
    virtual ~CWinApp();

    // FALSE ends the program right after ExitInstance, without a message loop.
    virtual BOOL InitInstance();
    virtual int ExitInstance();
    virtual int Run();
    // Command routing of the application's own command map; TRUE when handled.
    virtual BOOL OnCmdMsg(UINT nID);
    void OnHelp() {}

    // Where the framework's profile would live; nothing is written there.
    void SetRegistryKey(const wchar_t* pszRegistryKey);

    HINSTANCE m_hInstance = nullptr;
    CWnd* m_pMainWnd = nullptr;
    std::wstring m_strAppName;
    std::wstring m_strRegistryKey;
    std::wstring m_strProfileName;
    int m_nExitCode = 0;
};

CWinApp* AfxGetApp();
HINSTANCE AfxGetInstanceHandle();
HINSTANCE AfxGetResourceHandle();

// Start-up entry shared by the program and the test harnesses (called from wWinMain).
int AfxWinMain(HINSTANCE hInstance, int nCmdShow);

// The shell manager of the framework: the program creates and deletes one, nothing more.
class CShellManager {
public:
    CShellManager() = default;
    virtual ~CShellManager() = default;
};
