#pragma once
// The main window: the engine's hooks turned into texts, the mirror failover, pause and resume,
// the rotating news line, and the unpacking and installer start after the download.
#include "engine/downloader.h"
#include "framework/gdi.h"

#include <string>
#include <vector>

class CDownloaderDlg : public CEngine {
public:
    CDownloaderDlg();
    ~CDownloaderDlg() override;

    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL PreTranslateMessage(MSG* pMsg) override;

    void OnDownFinished() override;
    void OnProgress() override;
    void OnStartDownload() override;
    void OnCheckStatus(std::wstring text, int failed) override;
    void OnUnzipDone() override;

    void ConnectCurrentMirror();
    void FindSetupFile(const std::wstring& folder);
    static bool IsSetupFileName(const std::wstring& name);

    CProgressCtrl m_progress;
    std::wstring m_strStatus;
    std::wstring m_strPercent;
    std::wstring m_strSize;
    std::wstring m_strSpeed;
    std::wstring m_strNews;
    std::wstring m_strUnzipDir;
    std::wstring m_strSetupPath;
    int m_bRunning = 1;
    int m_bSpeedShown = 0;
    std::vector<std::wstring> m_vecMirrors;
    unsigned m_nMirrorIndex = 0;
    std::vector<int> m_vecPictures;
    std::vector<int> m_vecNews;
    unsigned m_nNewsIndex = 0;
    DWORD m_dwStartTick = 0;
    DWORD m_dwPauseTick = 0;
    DWORD m_dwPausedTime = 0;
    HICON m_hIcon = nullptr;

protected:
    // The message map.
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    void OnPaint();
    HCURSOR OnQueryDragIcon();
    HBRUSH OnCtlColor(HDC hDC, HWND hCtl, UINT nCtlColor);
    void OnTimer(UINT_PTR nIDEvent);
    void OnBnClickedPause();

private:
    void LoadCurrentNews();
    void CreateControlFonts();
    void Refresh() { UpdateData(FALSE); }
    // The fonts of the status line, the hidden heading and the notice, made once per window.
    CFont m_fontStatus, m_fontHeading, m_fontNotice;
};
