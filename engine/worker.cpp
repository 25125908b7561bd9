// The segment worker: fetches one byte range of the package into its part file, resuming from
// the part file's size after every broken connection.
#include "engine/backoff.h"
#include "engine/downloader.h"
#include "engine/part_file.h"
#include "engine/segment_response.h"

#include <algorithm>
#include <memory>

namespace {

class CSegmentWorker {
  public:
    CSegmentWorker(CEngine* engine, const DownloadTask& task)
        : m_engine(engine), m_seg(task.segment), m_nPort(task.port), m_strHost(task.host),
          m_nFileSize(task.fileSize), m_sock(&engine->m_stop.m_sockets) {}

    // 1 when the segment is complete, 0 when the worker gave up or was stopped.
    UINT Run();

  private:
    enum class Connect { NoConnection, Rejected, Body };
    // Connects, asks for the bytes from m_nHave on and judges the answer; on Body the socket is
    // positioned at the first body byte that belongs to the segment and m_nBodyLeft is set.
    Connect Exchange();
    // Reads and writes the accepted body; false when the part file can't be opened.
    bool Receive();
    bool Stopping() const { return m_engine->m_stop.IsStopping(); }

    CEngine* m_engine;
    const SegmentInfo m_seg; // the worker's own copy; the plan may go away meanwhile
    const int m_nPort;
    const std::wstring m_strHost;
    const int m_nFileSize;
    int m_nHave = 0; // bytes of the segment in the part file
    int m_nBodyLeft = 0;
    CSocketOwner m_sock;
    CBackoff m_backoff;
    char m_buffer[kReceiveBlockSize];
};

CSegmentWorker::Connect CSegmentWorker::Exchange() {
    m_sock.Reset(OpenConnection(m_strHost, m_nPort, &m_engine->m_stop.m_sockets));
    if (!m_sock.Valid()) return Connect::NoConnection;
    SetReceiveTimeout(m_sock.Get(), kReceiveTimeoutMs);
    const int offset = m_seg.start + m_nHave;
    HttpResponseHead head;
    if (!m_engine->m_httpGet.SendHttpHeader(m_sock.Get(), m_seg.host, m_seg.urlDir, m_seg.fileName,
                                            offset, m_seg.end - 1, &head)) {
        m_sock.Close();
        return Connect::Rejected;
    }
    // A server that ignores the range, answers for other bytes or sends an error page must not
    // have its body written as this segment: that would corrupt the package without a word.
    BodyGrant grant = AcceptSegmentBody(head.raw, offset, m_seg.end - offset, m_nFileSize);
    if (!grant.accepted) {
        m_sock.Close();
        return Connect::Rejected;
    }
    m_nBodyLeft = grant.take;
    return Connect::Body;
}

bool CSegmentWorker::Receive() {
    CFileStream part(OpenPartFile(m_seg.partPath));
    if (!part.Get()) return false;
    // The part must end where the asked range begins. One that shrank or vanished since it was
    // measured would get the body past its end, and the gap would read as zeros in the package:
    // nothing is written, and the caller measures again.
    if (fseek(part.Get(), 0, SEEK_END) != 0 || ftell(part.Get()) != m_nHave) return true;
    const int length = m_seg.end - m_seg.start;
    while (m_nBodyLeft > 0 && m_nHave < length) {
        // The pause gate is passed between blocks and never while holding the progress lock.
        if (!m_engine->m_stop.WaitWhilePaused()) break;
        // Cut at what the segment still needs: a whole block past the end would make the part
        // longer than its segment, and the next resume would start beyond it.
        const int want = std::min(kReceiveBlockSize, m_nBodyLeft);
        const int n = ::recv(m_sock.Get(), m_buffer, want, 0);
        if (n <= 0) break; // closed, failed, timed out, or our socket closed by a stop request
        if (fwrite(m_buffer, 1, n, part.Get()) != static_cast<size_t>(n)) break;
        m_nHave += n;
        m_nBodyLeft -= n;
        m_backoff.Reset();
        // Held across the synchronous notice, so that OnProgress reads a counter no worker is
        // changing; the window's thread never takes this lock, so the send can't deadlock.
        // Once stopping, the window may be going away: nothing more is sent to it.
        ::EnterCriticalSection(&m_engine->m_csProgress);
        ::InterlockedExchangeAdd(&m_engine->m_nDownloaded, n);
        const bool stopping = Stopping();
        if (!stopping) SendNotification(m_engine->GetSafeHwnd(), DL_MSG_PROGRESS);
        ::LeaveCriticalSection(&m_engine->m_csProgress);
        if (stopping) break;
    }
    m_sock.Close();
    part.Close();
    return true;
}

UINT CSegmentWorker::Run() {
    const int length = m_seg.end - m_seg.start;
    m_nHave = m_seg.existing;
    if (m_nHave < 0 || m_nHave > length) return 0;
    bool first = true;
    while (m_nHave < length) {
        if (!first) {
            if (!m_engine->m_stop.WaitWhilePaused()) return 0;
            const unsigned wait = m_backoff.Next();
            if (wait && m_engine->m_stop.SleepUnlessStopped(wait)) return 0;
            if (!m_engine->m_stop.WaitWhilePaused()) return 0;
        }
        if (Stopping()) return 0;
        Connect c = Exchange();
        if (c == Connect::NoConnection && first) return 0; // the first connection gets no retry
        first = false;
        if (c == Connect::Body && !Receive()) return 0;
        m_sock.Close();
        if (Stopping()) return 0;
        // Resume from what the file system holds, not from what was counted: a block that could
        // not be written is asked for again.
        const long long onDisk = PartFileSize(m_seg.partPath);
        if (onDisk > length) return 0; // not ours to repair: the plan had discarded such a file
        m_nHave = onDisk < 0 ? 0 : static_cast<int>(onDisk);
    }
    ::InterlockedIncrement(&m_engine->m_nCompleted);
    return 1;
}

} // namespace

UINT WorkerThread(LPVOID param) {
    std::unique_ptr<DownloadTask> task(static_cast<DownloadTask*>(param));
    const SegmentInfo& seg = task->segment;
    if (seg.existing == seg.end - seg.start) {
        // Complete from an earlier run (or empty): no connection, no part file.
        ::InterlockedIncrement(&task->owner->m_nCompleted);
        return 1;
    }
    auto worker = std::make_unique<CSegmentWorker>(task->owner, *task);
    return worker->Run();
}
