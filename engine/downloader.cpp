#include "engine/downloader.h"

#include "engine/url.h"

#include <process.h>

void SendNotification(HWND hWnd, const wchar_t* name) {
    bool flag = false;
    ::SendMessageW(hWnd, ::RegisterWindowMessageW(name), reinterpret_cast<WPARAM>(&flag), 0);
}

void SendStatus(HWND hWnd, const std::wstring& text, int failed) {
    StatusInfo info;
    info.text = text;
    info.failed = failed;
    ::SendMessageW(hWnd, ::RegisterWindowMessageW(DL_MSG_CHECKSTATUS),
                   reinterpret_cast<WPARAM>(&info), 0);
}

CDealSocket::CDealSocket() {
    WSADATA data;
    if (::WSAStartup(MAKEWORD(1, 1), &data) != 0) return;
    if (data.wVersion != MAKEWORD(1, 1)) {
        ::WSACleanup();
        return;
    }
    m_bStarted = true;
}

CDealSocket::~CDealSocket() {
    if (m_bStarted) ::WSACleanup();
}

template <class TBase> CDownloader<TBase>::CDownloader() : TBase(5, nullptr) {
    ::InitializeCriticalSection(&m_csProgress);
}

template <class TBase> CDownloader<TBase>::~CDownloader() {
    if (!StopThreads(kStopWaitMs)) {
        // A worker that ignored the stop request may hold the progress lock or be using this
        // object: ending the process is the only safe way left.
        ::TerminateProcess(::GetCurrentProcess(), 0);
    }
    ::DeleteCriticalSection(&m_csProgress);
}

template <class TBase>
HANDLE CDownloader<TBase>::BeginThread(unsigned(__stdcall* proc)(void*), DownloadTask* task) {
    HANDLE h = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, proc, task, CREATE_SUSPENDED, nullptr));
    if (!h) {
        delete task;
        return nullptr;
    }
    ::SetThreadPriority(h, THREAD_PRIORITY_NORMAL);
    ::ResumeThread(h);
    return h;
}

template <class TBase> void CDownloader<TBase>::StartProbe(const std::wstring& url) {
    if (m_stop.IsStopping()) return;
    SplitUrl(url, m_strHost, m_strUrlDir, m_strFileName);
    m_nPort = kHttpPort;
    auto* task = new DownloadTask;
    task->owner = this;
    task->host = m_strHost;
    task->urlDir = m_strUrlDir;
    task->port = kHttpPort;
    task->fileName = m_strFileName;
    // The probe before this one is still inside its failure notice (which called us) and ends
    // right after it without touching the engine again: its handle is of no further use.
    if (m_hProbeThread) ::CloseHandle(m_hProbeThread);
    m_hProbeThread = BeginThread(&ProbeThread, task);
}

template <class TBase> void CDownloader<TBase>::StartManager() {
    if (m_stop.IsStopping()) return;
    m_nThreadCount = kSegmentCount;
    auto* task = new DownloadTask;
    task->owner = this;
    task->host = m_strHost;
    task->urlDir = m_strUrlDir;
    task->port = m_nPort;
    task->fileName = m_strFileName;
    task->fileSize = m_nFileSize;
    task->threadCount = kSegmentCount;
    if (m_hManagerThread) ::CloseHandle(m_hManagerThread);
    m_hManagerThread = BeginThread(&ManagerThread, task);
}

template <class TBase>
void CDownloader<TBase>::StartUnzip(const std::wstring& packagePath, const std::wstring& targetDir) {
    if (m_stop.IsStopping()) return;
    auto* task = new DownloadTask;
    task->owner = this;
    task->packagePath = packagePath;
    task->targetDir = targetDir;
    if (m_hUnzipThread) ::CloseHandle(m_hUnzipThread);
    m_hUnzipThread = BeginThread(&UnzipThread, task);
}

template <class TBase>
LRESULT CDownloader<TBase>::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    static const UINT kStart = ::RegisterWindowMessageW(DL_MSG_STARTDOWNLOAD);
    static const UINT kFinished = ::RegisterWindowMessageW(DL_MSG_DOWNFINISHED);
    static const UINT kProgress = ::RegisterWindowMessageW(DL_MSG_PROGRESS);
    static const UINT kStatus = ::RegisterWindowMessageW(DL_MSG_CHECKSTATUS);
    static const UINT kUnzipDone = ::RegisterWindowMessageW(DL_MSG_UNZIPDONE);
    if (message == kStart) {
        OnStartDownload();
        return 0;
    }
    if (message == kFinished) {
        OnDownFinished();
        return 0;
    }
    if (message == kProgress) {
        OnProgress();
        return 0;
    }
    if (message == kStatus) {
        const auto* info = reinterpret_cast<const StatusInfo*>(wParam);
        OnCheckStatus(info->text, info->failed);
        return 0;
    }
    if (message == kUnzipDone) {
        OnUnzipDone();
        return 0;
    }
    if (message == WM_CLOSE) {
        if (::InterlockedCompareExchange(&m_bMerging, 0, 0) == 1) {
            OnCheckStatus(DL_TEXT_MERGING_NO_CLOSE, 0);
            return 0;
        }
        // Only ask the threads to stop here. The wait for them happens after the dialog has
        // ended (StopThreads), outside every handler of this window: a thread may be blocked in
        // a synchronous notice to it right now, the unzip thread among them when the installer
        // start closes the window from inside that thread's notice.
        m_stop.RequestStop();
    }
    return TBase::WindowProc(message, wParam, lParam);
}

namespace {
// Waits for one thread while still handling messages sent to this thread, so that a thread
// blocked in SendMessageW to us can finish. False on time-out.
bool WaitPumping(HANDLE h, DWORD deadline) {
    for (;;) {
        DWORD now = ::GetTickCount();
        DWORD left = static_cast<LONG>(deadline - now) > 0 ? deadline - now : 0;
        DWORD r = ::MsgWaitForMultipleObjects(1, &h, FALSE, left, QS_SENDMESSAGE);
        if (r == WAIT_OBJECT_0) return true;
        if (r != WAIT_OBJECT_0 + 1) return ::WaitForSingleObject(h, 0) == WAIT_OBJECT_0;
        MSG msg;
        ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}
} // namespace

template <class TBase> BOOL CDownloader<TBase>::StopThreads(DWORD boundMs) {
    if (m_bThreadsStopped) return TRUE;
    m_stop.RequestStop();
    m_stop.SetPaused(false);
    DWORD deadline = ::GetTickCount() + boundMs;
    bool managerDone = true;
    HANDLE* threads[] = {&m_hProbeThread, &m_hManagerThread, &m_hUnzipThread};
    for (HANDLE* h : threads) {
        if (!*h) continue;
        if (!WaitPumping(*h, deadline)) {
            if (h == &m_hManagerThread) {
                // The manager waits for the workers, which can hold the progress lock: never
                // terminated.
                managerDone = false;
                continue;
            }
            ::TerminateThread(*h, 0);
        }
        ::CloseHandle(*h);
        *h = nullptr;
    }
    m_bThreadsStopped = managerDone;
    return managerDone ? TRUE : FALSE;
}

template class CDownloader<CDialog>;
