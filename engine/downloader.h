#pragma once
// The download engine: the base of the main window, owner of one download's state and threads.
//
// Threads never call the window's code. They send the five registered notifications with
// SendMessageW, so a sender waits until its hook has run on the window's thread, and a record in
// the sender's stack frame (StatusInfo) stays valid for the hook.
#include <winsock2.h>
#include <windows.h>
#include <string>

#include "engine/config.h"
#include "engine/http.h"
#include "engine/stop.h"
#include "framework/dialog.h"

template <class TBase> class CDownloader;
// The one instantiation the program uses.
using CEngine = CDownloader<CDialog>;

struct SegmentInfo {
    std::wstring host;
    int port = 0;
    std::wstring urlDir;
    std::wstring fileName;
    std::wstring partPath;
    int existing = 0; // bytes already in the part file when the plan was made
    int start = 0;    // first byte of the segment in the package
    int end = 0;      // one past its last byte
};

struct StatusInfo {
    std::wstring text;
    int failed = 0; // 1: the probe failed on the current mirror; 0: a status text to show
};

// The heap record a start operation hands to its thread; the thread owns and frees it.
struct DownloadTask {
    CEngine* owner = nullptr;
    std::wstring host;
    std::wstring urlDir;
    int port = 0;
    std::wstring fileName;
    int fileSize = 0;
    int threadCount = 0;
    SegmentInfo segment;
    std::wstring targetDir;
    std::wstring packagePath;
};

// Registered names of the notifications.
#define DL_MSG_STARTDOWNLOAD L"TORVALE_WM_DOWNFILE_STARTDOWNLOAD"
#define DL_MSG_PROGRESS L"TORVALE_WM_DOWNFILE_PROGRESS"
#define DL_MSG_DOWNFINISHED L"TORVALE_WM_DOWNFILE_DOWNFINISHED"
#define DL_MSG_CHECKSTATUS L"TORVALE_WM_DOWNFILE_CHECKSTATUS"
#define DL_MSG_UNZIPDONE L"TORVALE_WM_DOWNFILE_UNZIPDONE"

// Sends a payload-free notification (wParam: a false flag in the sender's frame) and waits.
void SendNotification(HWND hWnd, const wchar_t* name);
// Sends TORVALE_WM_DOWNFILE_CHECKSTATUS with a StatusInfo in the sender's frame and waits.
void SendStatus(HWND hWnd, const std::wstring& text, int failed);

// Holds the process's use of the socket library (version 1.1).
class CDealSocket {
public:
    CDealSocket();
    virtual ~CDealSocket();

private:
    bool m_bStarted = false;
};

// The merge of the part files into the package.
class CMyFile {
public:
    virtual ~CMyFile() = default;
    // Copies the first end - start bytes of the segment's part file to the package stream at the
    // segment's start. 1 when all of them were there and written, 0 otherwise.
    int MergePart(const SegmentInfo& segment, FILE* package);
};

// Thread procedures.
unsigned __stdcall ProbeThread(void* task);
unsigned __stdcall ManagerThread(void* task);
UINT WorkerThread(LPVOID task);
unsigned __stdcall UnzipThread(void* task);

template <class TBase> class CDownloader : public TBase {
public:
    CDownloader();
    ~CDownloader() override;

    virtual void OnDownFinished() {}
    virtual void OnProgress() {}
    virtual void OnStartDownload() {}
    virtual void OnCheckStatus(std::wstring text, int failed) {
        (void)text;
        (void)failed;
    }
    virtual void OnUnzipDone() {}

    void StartProbe(const std::wstring& url);
    void StartManager();
    void StartUnzip(const std::wstring& packagePath, const std::wstring& targetDir);

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // Stops every thread of the engine: the stop request, then a wait of at most boundMs in which
    // messages sent to this thread keep being handled. A probe or unzip thread that is still
    // running after that is terminated as the last resort. FALSE when the manager or a worker
    // is still running, so that the engine must not go away.
    BOOL StopThreads(DWORD boundMs);
    void PauseWorkers() { m_stop.SetPaused(true); }
    void ResumeWorkers() { m_stop.SetPaused(false); }

    CHttpGet m_httpGet;
    volatile LONG m_nCompleted = 0;
    CDealSocket m_dealSocket;
    CMyFile m_myFile;
    HANDLE m_hProbeThread = nullptr;
    HANDLE m_hManagerThread = nullptr;
    HANDLE m_hUnzipThread = nullptr;
    // Owned by the manager: filled when it starts the workers, cleared (handles closed) after its
    // wait for them returned.
    HANDLE m_hWorkerThreads[kMaxWorkers] = {};
    CRITICAL_SECTION m_csProgress;
    std::wstring m_strHost;
    std::wstring m_strUrlDir;
    std::wstring m_strFileName;
    std::wstring m_strLocalDir;
    int m_nPort = kHttpPort;
    volatile LONG m_nFileSize = 0;
    volatile LONG m_nDownloaded = 0;
    volatile LONG m_nResumeBase = 0;
    int m_nThreadCount = kSegmentCount;
    volatile LONG m_bMerging = 0;

    CStopControl m_stop;

private:
    HANDLE BeginThread(unsigned(__stdcall* proc)(void*), DownloadTask* task);
    bool m_bThreadsStopped = false;
};

extern template class CDownloader<CDialog>;
