#include "ui/downloader_dlg.h"

#include "framework/app.h"
#include "framework/strings.h"
#include "install/install.h"
#include "res/resource.h"
#include "ui/progress_math.h"
#include "ui/res_picture.h"
#include "ui/texts.h"

#include <cstdlib>
#include <io.h>

namespace {
LOGFONTW MakeFont(LONG height, LONG weight, const wchar_t* face) {
    LOGFONTW lf{};
    lf.lfHeight = height;
    lf.lfWeight = weight;
    lf.lfCharSet = ANSI_CHARSET;
    if (face) lstrcpynW(lf.lfFaceName, face, LF_FACESIZE);
    return lf;
}
} // namespace

CDownloaderDlg::CDownloaderDlg() {
    m_hIcon = ::LoadIconW(AfxGetResourceHandle(), MAKEINTRESOURCEW(IDR_MAINFRAME));
    m_nFileSize = 0;
    m_nDownloaded = 0;
    m_nResumeBase = 0;
    m_nThreadCount = kSegmentCount;
    m_bMerging = 0;
}

CDownloaderDlg::~CDownloaderDlg() {
    // The threads are stopped here, while this object is whole; the engine's destructor would
    // do it too, but only after the window's own fields are gone.
    if (!StopThreads(kStopWaitMs)) ::TerminateProcess(::GetCurrentProcess(), 0);
}

void CDownloaderDlg::DoDataExchange(CDataExchange* pDX) {
    CEngine::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_PROGRESS, m_progress);
    DDX_Text(pDX, IDC_STATUS, m_strStatus);
    DDX_Text(pDX, IDC_PERCENT, m_strPercent);
    DDX_Text(pDX, IDC_PACKAGE_SIZE, m_strSize);
    DDX_Text(pDX, IDC_SPEED, m_strSpeed);
    DDX_Text(pDX, IDC_NEWS, m_strNews);
}

BOOL CDownloaderDlg::OnInitDialog() {
    CEngine::OnInitDialog();
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    m_vecPictures = {IDR_IMAGE_PRODUCT, IDR_IMAGE_PRODUCT2};
    m_vecNews = {IDS_NEWS_DOWNLOADING, IDS_NEWS_FEATURES, IDS_NEWS_TEMPLATES, IDS_NEWS_MONITORING,
                 IDS_NEWS_NO_IP};
    ::SetTimer(m_hWnd, kNewsTimerId, kNewsPeriodMs, nullptr);
    m_progress.SetRange(0, 100);
    CreateControlFonts();

    wchar_t module[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, module, MAX_PATH);
    wchar_t drive[_MAX_DRIVE] = {}, dir[_MAX_DIR] = {};
    _wsplitpath(module, drive, dir, nullptr, nullptr);
    m_strLocalDir = std::wstring(drive) + dir;

    for (const wchar_t* url : kMirrorUrls) m_vecMirrors.push_back(url);
    ConnectCurrentMirror();
    return TRUE;
}

void CDownloaderDlg::ConnectCurrentMirror() {
    m_strStatus = DL_TEXT_CONNECTING;
    Refresh();
    StartProbe(m_vecMirrors[m_nMirrorIndex]);
    m_bRunning = 1;
}

void CDownloaderDlg::OnCheckStatus(std::wstring text, int failed) {
    if (failed) {
        m_nMirrorIndex += 1;
        if (m_nMirrorIndex > m_vecMirrors.size() - 1) {
            m_nMirrorIndex = 0;
            m_strStatus = DL_TEXT_NOT_FOUND;
            Refresh();
            return;
        }
        StartProbe(m_vecMirrors[m_nMirrorIndex]);
        return;
    }
    m_strStatus = text;
    if (text == DL_TEXT_DOWNLOAD_DONE) {
        ::EnableWindow(GetDlgItem(IDC_PAUSE), FALSE);
        m_strSpeed.clear();
    }
    Refresh();
}

void CDownloaderDlg::OnStartDownload() {
    const std::wstring package = m_strLocalDir + m_strFileName;
    if (_waccess(package.c_str(), 0) == 0) {
        int answer = ::MessageBoxW(m_hWnd, DL_TEXT_ASK_REDOWNLOAD, DL_TEXT_NOTICE_TITLE, MB_YESNO);
        if (answer != IDYES) {
            OnDownFinished();
            return;
        }
    }
    ::DeleteFileW(package.c_str());
    m_strSize = FormatSize(m_nFileSize);
    m_strStatus = DL_TEXT_CONNECTED;
    m_dwStartTick = ::GetTickCount();
    // Time paused before the download began does not count against its speed: the paused time
    // counts from the start.
    m_dwPausedTime = 0;
    if (!m_bRunning) m_dwPauseTick = m_dwStartTick;
    StartManager();
    Refresh();
}

void CDownloaderDlg::OnProgress() {
    unsigned percent = PercentDone(m_nDownloaded, m_nFileSize);
    m_progress.SetPos(static_cast<int>(percent));
    m_strPercent = FormatW(DL_FMT_PERCENT, static_cast<int>(percent));
    DWORD now = ::GetTickCount();
    // While paused the speed stays at the 0.0 the pause put there, even for a block that was
    // already on its way.
    if (m_bRunning && SpeedDue(m_bSpeedShown != 0, now, m_dwStartTick)) {
        double speed;
        if (ComputeSpeed(m_nDownloaded, m_nResumeBase, now, m_dwStartTick, m_dwPausedTime, &speed)) {
            m_bSpeedShown = 1;
            m_strSpeed = FormatSpeed(speed);
        }
    }
    Refresh();
}

void CDownloaderDlg::OnBnClickedPause() {
    HWND button = GetDlgItem(IDC_PAUSE);
    if (m_bRunning) {
        ::SetWindowTextW(button, DL_TEXT_RESUME);
        // The workers stop at their pause gate between blocks. Suspending them instead could
        // freeze this window: a worker stopped inside the heap or the progress lock holds it.
        PauseWorkers();
        m_dwPauseTick = ::GetTickCount();
        m_bRunning = 0;
        m_strSpeed = FormatSpeed(0.0);
        Refresh();
    } else {
        ::SetWindowTextW(button, DL_TEXT_PAUSE);
        ResumeWorkers();
        DWORD now = ::GetTickCount();
        m_dwPausedTime += now - m_dwPauseTick;
        m_bRunning = 1;
        Refresh();
    }
}

void CDownloaderDlg::OnDownFinished() {
    m_strUnzipDir = ExtractionFolder(m_strLocalDir, m_strFileName);
    PrepareExtractionFolder(m_strUnzipDir);
    m_strStatus = DL_TEXT_UNZIPPING;
    Refresh();
    StartUnzip(m_strLocalDir + m_strFileName, m_strUnzipDir);
}

void CDownloaderDlg::OnUnzipDone() {
    m_strStatus = DL_TEXT_UNZIP_DONE;
    Refresh();
    FindSetupFile(m_strUnzipDir);
    if (m_strSetupPath.empty()) {
        m_strStatus = DL_TEXT_SETUP_NOT_FOUND;
        Refresh();
        return;
    }
    DWORD error = StartInstaller(m_strLocalDir + m_strSetupPath);
    if (error == 0) {
        SendMessage(WM_CLOSE);
        return;
    }
    if (const wchar_t* text = InstallerFailureText(error)) {
        m_strStatus = text;
        Refresh();
    }
}

void CDownloaderDlg::FindSetupFile(const std::wstring& folder) {
    ::FindSetupFile(folder, m_strLocalDir.size(), m_strSetupPath);
}

bool CDownloaderDlg::IsSetupFileName(const std::wstring& name) { return ::IsSetupFileName(name); }

BOOL CDownloaderDlg::PreTranslateMessage(MSG* pMsg) {
    if (pMsg->message == WM_KEYDOWN && (pMsg->wParam == VK_RETURN || pMsg->wParam == VK_ESCAPE))
        return TRUE;
    return CEngine::PreTranslateMessage(pMsg);
}

BOOL CDownloaderDlg::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    switch (message) {
    case WM_PAINT:
        OnPaint();
        *pResult = 0;
        return TRUE;
    case WM_QUERYDRAGICON:
        *pResult = reinterpret_cast<LRESULT>(OnQueryDragIcon());
        return TRUE;
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        *pResult = reinterpret_cast<LRESULT>(OnCtlColor(reinterpret_cast<HDC>(wParam),
                                                        reinterpret_cast<HWND>(lParam),
                                                        message - WM_CTLCOLORMSGBOX));
        return TRUE;
    case WM_TIMER:
        OnTimer(wParam);
        *pResult = 0;
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_PAUSE && HIWORD(wParam) == BN_CLICKED) {
            OnBnClickedPause();
            *pResult = 0;
            return TRUE;
        }
        break;
    }
    return CEngine::OnWndMsg(message, wParam, lParam, pResult);
}

HCURSOR CDownloaderDlg::OnQueryDragIcon() { return reinterpret_cast<HCURSOR>(m_hIcon); }

void CDownloaderDlg::LoadCurrentNews() {
    if (m_nNewsIndex > m_vecNews.size() - 1) m_nNewsIndex = 0;
    const wchar_t* text = nullptr;
    int n = ::LoadStringW(AfxGetResourceHandle(), m_vecNews[m_nNewsIndex],
                          reinterpret_cast<LPWSTR>(&text), 0);
    if (n > 0 && text) m_strNews.assign(text, n);
}

void CDownloaderDlg::OnTimer(UINT_PTR nIDEvent) {
    LoadCurrentNews();
    Refresh();
    m_nNewsIndex += 1;
    DefWindowProc(WM_TIMER, nIDEvent, 0);
}

void CDownloaderDlg::OnPaint() {
    if (IsIconic()) {
        CPaintDC dc(m_hWnd);
        SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
        RECT rc;
        GetClientRect(&rc);
        int x = (rc.right - rc.left - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
        int y = (rc.bottom - rc.top - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
        dc.DrawIcon(x, y, m_hIcon);
        return;
    }
    if (m_nNewsIndex > m_vecNews.size() - 1) m_nNewsIndex = 0;
    RECT client;
    GetClientRect(&client);
    {
        CPaintDC paint(m_hWnd);
        paint.FillSolidRect(RECT{0, 0, client.right, 75}, RGB(255, 255, 255));
        {
            CClientDC dc(m_hWnd);
            {
                CResPicture logo;
                if (logo.Load(IDR_IMAGE_LOGO)) logo.Render(&dc, RECT{10, 10, 222, 65});
            }
            {
                CPen pen(PS_SOLID, 1, RGB(150, 150, 150));
                CSelectGuard select(dc.GetSafeHdc(), pen.Get());
                dc.MoveTo(20, 300);
                dc.LineTo(client.right - 20, 300);
            }
            {
                CResPicture picture;
                if (picture.Load(m_vecPictures[0])) picture.Render(&dc, RECT{40, 90, 230, 220});
            }
            LoadCurrentNews();
        }
        // The dialog's own painting (the controls paint themselves).
        Default();
    }
}

void CDownloaderDlg::CreateControlFonts() {
    m_fontStatus.CreateFontIndirect(MakeFont(22, 700, nullptr));
    m_fontHeading.CreateFontIndirect(MakeFont(12, 700, L"宋体"));
    m_fontNotice.CreateFontIndirect(MakeFont(11, 450, L"宋体"));
    // The colour request selects these fonts, which is all Windows needs. Wine's static control
    // selects its own font after asking for the colours, so each control is also given its font.
    const struct {
        int id;
        HFONT font;
    } controls[] = {{IDC_STATUS, m_fontStatus.Get()},
                    {IDC_HEADING, m_fontHeading.Get()},
                    {IDC_NOTICE, m_fontNotice.Get()}};
    for (const auto& c : controls)
        ::SendMessageW(GetDlgItem(c.id), WM_SETFONT, reinterpret_cast<WPARAM>(c.font), FALSE);
}

HBRUSH CDownloaderDlg::OnCtlColor(HDC hDC, HWND hCtl, UINT nCtlColor) {
    (void)nCtlColor;
    HBRUSH brush = reinterpret_cast<HBRUSH>(Default());
    switch (::GetDlgCtrlID(hCtl)) {
    case IDC_STATUS:
        ::SetBkMode(hDC, TRANSPARENT);
        ::SetTextColor(hDC, RGB(0, 0, 0));
        ::SelectObject(hDC, m_fontStatus.Get());
        return static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
    case IDC_HEADING:
        ::SelectObject(hDC, m_fontHeading.Get());
        return brush;
    case IDC_NOTICE:
        ::SetBkMode(hDC, TRANSPARENT);
        ::SetTextColor(hDC, RGB(255, 0, 0));
        ::SelectObject(hDC, m_fontNotice.Get());
        return static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
    }
    return brush;
}
