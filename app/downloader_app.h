#pragma once
// The application object: the single-instance guard around the modal main window.
#include "framework/app.h"

class CDownloaderApp : public CWinApp {
public:
    CDownloaderApp();
    ~CDownloaderApp() override;
    BOOL InitInstance() override;
    int ExitInstance() override;

    HANDLE m_hMutex = nullptr;
};

extern CDownloaderApp theApp;
