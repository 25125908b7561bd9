#include "engine/downloader.h"

#include <memory>

unsigned __stdcall ProbeThread(void* param) {
    std::unique_ptr<DownloadTask> task(static_cast<DownloadTask*>(param));
    CEngine* engine = task->owner;
    const wchar_t* error = nullptr;
    {
        CSocketRegistry* sockets = &engine->m_stop.m_sockets;
        CSocketOwner sock(sockets);
        sock.Reset(OpenConnection(task->host, task->port, sockets));
        if (!sock.Valid()) {
            error = DL_TEXT_ERR_INVALID_SOCKET;
        } else {
            // A server that accepts and then stays silent must not hold the probe forever.
            SetReceiveTimeout(sock.Get(), kReceiveTimeoutMs);
            if (!engine->m_httpGet.SendHttpHeader(sock.Get(), task->host, task->urlDir,
                                                  task->fileName, 0, 0)) {
                error = DL_TEXT_ERR_SEND_HEADER;
            } else {
                sock.Close(); // the body is not read
                // No Content-Length, or one outside 1 .. 2 GiB - 1, is no usable size: the
                // next mirror is tried instead.
                int size = engine->m_httpGet.m_nContentLength;
                if (size <= 0)
                    error = DL_TEXT_ERR_SEND_HEADER;
                else
                    engine->m_nFileSize = size;
            }
        }
    }
    if (engine->m_stop.IsStopping()) return 0;
    HWND hWnd = engine->GetSafeHwnd();
    if (!error) {
        SendNotification(hWnd, DL_MSG_STARTDOWNLOAD);
        return 1;
    }
    SendStatus(hWnd, error, 1);
    return 0;
}
