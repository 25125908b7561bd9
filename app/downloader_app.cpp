#include "app/downloader_app.h"

#include "ui/downloader_dlg.h"

#define DL_MUTEX_NAME L"Downloader"
#define DL_TEXT_ALREADY_RUNNING L"下载器已经启动"
#define DL_TEXT_NOTICE L"提示"
#define DL_REGISTRY_KEY L"应用程序向导生成的本地应用程序"

CDownloaderApp theApp;

CDownloaderApp::CDownloaderApp() : CWinApp(nullptr) {}
CDownloaderApp::~CDownloaderApp() = default;

BOOL CDownloaderApp::InitInstance() {
    CWinApp::InitInstance();
    m_hMutex = ::CreateMutexW(nullptr, TRUE, DL_MUTEX_NAME);
    if (m_hMutex && ::GetLastError() == ERROR_ALREADY_EXISTS) {
        ::MessageBoxW(nullptr, DL_TEXT_ALREADY_RUNNING, DL_TEXT_NOTICE, MB_OK);
        return FALSE;
    }
    auto* shellManager = new CShellManager;
    SetRegistryKey(DL_REGISTRY_KEY);
    {
        // The dialog's destructor stops its threads (bounded) before the mutex is released.
        CDownloaderDlg dlg;
        m_pMainWnd = &dlg;
        dlg.DoModal();
        m_pMainWnd = nullptr;
    }
    delete shellManager;
    return FALSE;
}

int CDownloaderApp::ExitInstance() {
    if (m_hMutex) {
        ::ReleaseMutex(m_hMutex);
        ::CloseHandle(m_hMutex);
        m_hMutex = nullptr;
    }
    return CWinApp::ExitInstance();
}

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE, LPWSTR, int nCmdShow) {
    return AfxWinMain(hInstance, nCmdShow);
}
