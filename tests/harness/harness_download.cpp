// Download scenarios: the whole road from the probe (download), the manager on a given size
// (manager) and one segment worker on its own (worker).
//
// Options, after the positional arguments:
//   --close=MS                 WM_CLOSE to the window MS after the start
//   --pause=MS --resume=MS     close and open the workers' pause gate at these times
//   --at-install-delete=NAME   delete NAME when "正在安装" arrives (after the plan, before the
//   --at-install-shorten=NAME  workers), or cut its last byte off
//   --log-progress             one line per progress notice
//   --part=NAME                (worker) the part file, default <file name>_0
// A run ends with WM_CLOSE once the manager (or the worker) has ended, and logs
// "manager-ended result=R" (or "worker-ended result=R").
#include "tests/harness/harness.h"

#include "engine/part_file.h"
#include "engine/url.h"
#include "framework/thread.h"

#include <map>
#include <memory>

namespace {

using Options = std::map<std::wstring, std::wstring>;

// Splits "--key=value" options off; the rest are positional.
CHarnessWnd::Args SplitOptions(const CHarnessWnd::Args& args, Options& opts) {
    CHarnessWnd::Args positional;
    for (const std::wstring& a : args) {
        if (a.compare(0, 2, L"--") == 0) {
            size_t eq = a.find(L'=');
            opts[a.substr(2, eq == std::wstring::npos ? std::wstring::npos : eq - 2)] =
                eq == std::wstring::npos ? L"" : a.substr(eq + 1);
        } else {
            positional.push_back(a);
        }
    }
    return positional;
}

// Waits for a thread while handling the messages other threads send to this one: a worker may be
// blocked in its progress notice to us.
void PumpWait(HANDLE h) {
    for (;;) {
        DWORD r = ::MsgWaitForMultipleObjects(1, &h, FALSE, INFINITE, QS_SENDMESSAGE);
        if (r != WAIT_OBJECT_0 + 1) return;
        MSG msg;
        ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

void PollUntil(CHarnessWnd& w, std::function<bool()> done) {
    w.After(20, [&w, done]() {
        if (!done()) PollUntil(w, done);
    });
}

// The worker command's thread; it must have ended before the engine goes away.
CWinThread* g_worker = nullptr;

void EndWorker(CHarnessWnd& w) {
    if (!g_worker) return;
    PumpWait(g_worker->m_hThread);
    DWORD rc = 0;
    ::GetExitCodeThread(g_worker->m_hThread, &rc);
    w.Log("worker-ended", "result=" + std::to_string(rc));
    delete g_worker;
    g_worker = nullptr;
}

void CloseWindow(CHarnessWnd& w) {
    w.SendMessage(WM_CLOSE);
    EndWorker(w);
}

void ApplyOptions(CHarnessWnd& w, const Options& opts) {
    auto get = [&](const wchar_t* key) {
        auto it = opts.find(key);
        return it == opts.end() ? std::wstring() : it->second;
    };
    w.m_bLogProgress = opts.count(L"log-progress") > 0;
    if (opts.count(L"close")) {
        w.After(ArgInt(get(L"close")), [&w]() {
            w.Log("close-sent");
            CloseWindow(w);
        });
    }
    if (opts.count(L"pause")) {
        w.After(ArgInt(get(L"pause")), [&w]() {
            w.PauseWorkers();
            w.Log("paused", "downloaded=" + std::to_string(w.m_nDownloaded));
        });
    }
    if (opts.count(L"resume")) {
        w.After(ArgInt(get(L"resume")), [&w]() {
            w.Log("resumed", "downloaded=" + std::to_string(w.m_nDownloaded));
            w.ResumeWorkers();
        });
    }
    std::wstring del = get(L"at-install-delete"), cut = get(L"at-install-shorten");
    if (!del.empty() || !cut.empty()) {
        w.onStatus = [&w, del, cut](const std::wstring& text, int) {
            if (text != DL_TEXT_INSTALLING) return;
            if (!del.empty()) w.Log("deleted", ::DeleteFileW(del.c_str()) ? "ok" : "failed");
            if (!cut.empty()) {
                HANDLE h = ::CreateFileW(cut.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                                         nullptr);
                LARGE_INTEGER size;
                bool ok =
                    h != INVALID_HANDLE_VALUE && ::GetFileSizeEx(h, &size) && size.QuadPart > 0;
                if (ok) {
                    size.QuadPart -= 1;
                    ok = ::SetFilePointerEx(h, size, nullptr, FILE_BEGIN) && ::SetEndOfFile(h);
                }
                if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
                w.Log("shortened", ok ? "ok" : "failed");
            }
        };
    }
}

// Ends the run with WM_CLOSE once the manager thread has ended.
void CloseWhenManagerEnds(CHarnessWnd& w) {
    PollUntil(w, [&w]() {
        if (!w.m_hManagerThread || ::WaitForSingleObject(w.m_hManagerThread, 0) != WAIT_OBJECT_0)
            return false;
        DWORD rc = 0;
        ::GetExitCodeThread(w.m_hManagerThread, &rc);
        int handles = 0; // entries left for the window's pause and resume to trip over
        for (HANDLE h : w.m_hWorkerThreads)
            handles += h != nullptr;
        w.Log("manager-ended",
              "result=" + std::to_string(rc) + " handles=" + std::to_string(handles));
        CloseWindow(w);
        return true;
    });
}

// download <url>: the probe, then the manager from OnStartDownload, like the window (without
// the question about an existing package).
HarnessCommandRegistration
    download("download", "<url> [options]", [](CHarnessWnd& w, const CHarnessWnd::Args& args) {
        Options opts;
        CHarnessWnd::Args a = SplitOptions(args, opts);
        if (a.size() != 1) return false;
        ApplyOptions(w, opts);
        w.onStart = [&w]() {
            w.StartManager();
            CloseWhenManagerEnds(w);
        };
        auto statusHook = w.onStatus;
        w.onStatus = [&w, statusHook](const std::wstring& text, int failed) {
            if (statusHook) statusHook(text, failed);
            if (failed) CloseWindow(w);
        };
        w.StartProbe(a[0]);
        return true;
    });

// manager <url> <size>: the manager alone, on the mirror's split URL and a given size.
HarnessCommandRegistration manager("manager", "<url> <size> [options]",
                                   [](CHarnessWnd& w, const CHarnessWnd::Args& args) {
                                       Options opts;
                                       CHarnessWnd::Args a = SplitOptions(args, opts);
                                       if (a.size() != 2) return false;
                                       ApplyOptions(w, opts);
                                       SplitUrl(a[0], w.m_strHost, w.m_strUrlDir, w.m_strFileName);
                                       w.m_nPort = kHttpPort;
                                       w.m_nFileSize = ArgInt(a[1]);
                                       w.StartManager();
                                       CloseWhenManagerEnds(w);
                                       return true;
                                   });

// worker <url> <size> <start> <end>: one segment worker, its part file measured as the manager
// measures it.
HarnessCommandRegistration
    worker("worker", "<url> <size> <start> <end> [options]",
           [](CHarnessWnd& w, const CHarnessWnd::Args& args) {
               Options opts;
               CHarnessWnd::Args a = SplitOptions(args, opts);
               if (a.size() != 4) return false;
               ApplyOptions(w, opts);
               auto* task = new DownloadTask;
               task->owner = &w;
               SplitUrl(a[0], task->host, task->urlDir, task->fileName);
               task->port = kHttpPort;
               task->fileSize = ArgInt(a[1]);
               task->threadCount = kSegmentCount;
               SegmentInfo& seg = task->segment;
               seg.host = task->host;
               seg.port = task->port;
               seg.urlDir = task->urlDir;
               seg.fileName = task->fileName;
               seg.start = ArgInt(a[2]);
               seg.end = ArgInt(a[3]);
               seg.partPath =
                   w.m_strLocalDir + (opts.count(L"part") ? opts[L"part"] : task->fileName + L"_0");
               seg.existing = MeasureExistingPart(seg.partPath, seg.end - seg.start);
               w.Log("worker-plan", "existing=" + std::to_string(seg.existing));
               g_worker =
                   AfxBeginThread(&WorkerThread, task, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
               if (!g_worker) return false;
               g_worker->m_bAutoDelete = FALSE;
               g_worker->ResumeThread();
               PollUntil(w, [&w]() {
                   if (!g_worker) return true;
                   if (::WaitForSingleObject(g_worker->m_hThread, 0) != WAIT_OBJECT_0) return false;
                   EndWorker(w);
                   CloseWindow(w);
                   return true;
               });
               return true;
           });

} // namespace
