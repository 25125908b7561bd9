// The download manager: plans the segments, runs one worker per segment, and merges the parts
// into the package.
#include "engine/downloader.h"
#include "engine/part_file.h"
#include "engine/segment_plan.h"
#include "framework/thread.h"

#include <io.h>
#include <memory>
#include <vector>

namespace {

// Every segment's bytes are on disk: each non-empty segment's part holds at least its length.
bool AllPartsPresent(const std::vector<SegmentInfo>& plan) {
    for (const SegmentInfo& seg : plan) {
        if (seg.end == seg.start) continue;
        if (PartFileSize(seg.partPath) < static_cast<long long>(seg.end) - seg.start) return false;
    }
    return true;
}

// Writes the package under a temporary name and renames it into place, so that the package path
// never holds a half-merged file, and a crash or power loss leaves the parts intact. The parts
// are deleted only once the package is complete, flushed to disk and in place.
bool MergeIntoPackage(CEngine* engine, const std::vector<SegmentInfo>& plan,
                      const std::wstring& packagePath) {
    const std::wstring tmpPath = packagePath + L".tmp";
    bool ok = false;
    {
        CFileStream package(_wfopen(tmpPath.c_str(), L"wb"));
        if (!package.Get()) return false;
        ok = true;
        for (const SegmentInfo& seg : plan) {
            if (engine->m_stop.IsStopping() || !engine->m_myFile.MergePart(seg, package.Get())) {
                ok = false;
                break;
            }
        }
        if (ok) {
            HANDLE h = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(package.Get())));
            ok = fflush(package.Get()) == 0 && ::FlushFileBuffers(h);
        }
        if (package.Close() != 0) ok = false;
    }
    if (ok && !engine->m_stop.IsStopping())
        ok = ::MoveFileExW(tmpPath.c_str(), packagePath.c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    else
        ok = false;
    if (!ok) {
        ::DeleteFileW(tmpPath.c_str());
        return false;
    }
    for (const SegmentInfo& seg : plan)
        if (seg.end != seg.start) ::DeleteFileW(seg.partPath.c_str());
    return true;
}

// The worker threads of one download. Their objects don't delete themselves, so the handles
// stay valid until the wait for them has returned; they are closed here, after the engine's
// entries were cleared.
class CWorkerSet {
  public:
    explicit CWorkerSet(CEngine* engine) : m_engine(engine) {}
    ~CWorkerSet() {
        for (int i = 0; i < static_cast<int>(m_threads.size()); ++i)
            m_engine->m_hWorkerThreads[i] = nullptr;
        for (CWinThread* t : m_threads)
            delete t;
    }
    void Add(CWinThread* t) { m_threads.push_back(t); }
    void ResumeAll() {
        for (int i = 0; i < static_cast<int>(m_threads.size()); ++i) {
            if (!m_threads[i]) continue;
            m_engine->m_hWorkerThreads[i] = m_threads[i]->m_hThread;
            m_threads[i]->ResumeThread();
        }
    }
    void WaitAll() {
        std::vector<HANDLE> handles;
        for (CWinThread* t : m_threads)
            if (t) handles.push_back(t->m_hThread);
        if (!handles.empty())
            ::WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), TRUE,
                                     INFINITE);
    }

  private:
    CEngine* m_engine;
    std::vector<CWinThread*> m_threads;
};

} // namespace

unsigned __stdcall ManagerThread(void* param) {
    std::unique_ptr<DownloadTask> task(static_cast<DownloadTask*>(param));
    CEngine* engine = task->owner;
    const int count = task->threadCount;
    if (count <= 0 || count > kMaxWorkers || task->fileSize < 0) return 0;
    ::InterlockedExchange(&engine->m_nCompleted, 0);

    std::vector<SegmentInfo> plan;
    for (const SegmentRange& r : PlanSegments(task->fileSize, count)) {
        SegmentInfo seg;
        seg.host = task->host;
        seg.port = task->port;
        seg.urlDir = task->urlDir;
        seg.fileName = task->fileName;
        seg.partPath =
            PartFilePath(engine->m_strLocalDir, task->fileName, static_cast<int>(plan.size()));
        seg.start = r.start;
        seg.end = r.end;
        seg.existing = MeasureExistingPart(seg.partPath, r.end - r.start);
        ::InterlockedExchangeAdd(&engine->m_nDownloaded, seg.existing);
        ::InterlockedExchangeAdd(&engine->m_nResumeBase, seg.existing);
        plan.push_back(seg);
    }
    if (engine->m_stop.IsStopping()) return 0;
    const HWND hWnd = engine->GetSafeHwnd();
    SendStatus(hWnd, DL_TEXT_INSTALLING, 0);

    {
        CWorkerSet workers(engine);
        // All are created before any runs.
        for (int i = 0; i < count; ++i) {
            auto* wt = new DownloadTask;
            wt->owner = engine;
            wt->host = task->host;
            wt->urlDir = task->urlDir;
            wt->port = task->port;
            wt->fileName = task->fileName;
            wt->fileSize = task->fileSize;
            wt->threadCount = task->threadCount;
            wt->segment = plan[i];
            CWinThread* t =
                AfxBeginThread(&WorkerThread, wt, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
            if (t)
                t->m_bAutoDelete = FALSE;
            else
                delete wt; // that segment stays incomplete; the others still fetch their bytes
            workers.Add(t);
        }
        workers.ResumeAll();
        workers.WaitAll();
    }

    if (engine->m_stop.IsStopping()) return 0;
    if (::InterlockedCompareExchange(&engine->m_nCompleted, 0, 0) != count) return 0;
    // Counted complete is not enough: a part may have been removed or cut since its worker
    // ended (or since the plan, for a part complete from an earlier run).
    if (!AllPartsPresent(plan)) return 0;
    SendStatus(hWnd, DL_TEXT_DOWNLOAD_DONE, 0);

    ::InterlockedExchange(&engine->m_bMerging, 1);
    bool merged = false;
    if (!engine->m_stop.IsStopping())
        merged = MergeIntoPackage(engine, plan, engine->m_strLocalDir + task->fileName);
    ::InterlockedExchange(&engine->m_bMerging, 0);
    if (!merged || engine->m_stop.IsStopping()) return 0;
    SendNotification(hWnd, DL_MSG_DOWNFINISHED);
    return 1;
}
