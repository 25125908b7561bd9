#include "framework/thread.h"

#include <process.h>

CWinThread::~CWinThread() {
    if (m_hThread) ::CloseHandle(m_hThread);
}

namespace {
unsigned __stdcall ThreadEntry(void* p) {
    auto* thread = static_cast<CWinThread*>(p);
    UINT rc = thread->m_pfnThreadProc(thread->m_pThreadParams);
    if (thread->m_bAutoDelete) delete thread;
    return rc;
}
} // namespace

CWinThread* AfxBeginThread(AFX_THREADPROC pfn, LPVOID param, int nPriority, UINT nStackSize,
                           DWORD dwCreateFlags, LPSECURITY_ATTRIBUTES lpSecurityAttrs) {
    auto* thread = new CWinThread(pfn, param);
    unsigned id = 0;
    HANDLE h = reinterpret_cast<HANDLE>(
        _beginthreadex(lpSecurityAttrs, nStackSize, &ThreadEntry, thread, CREATE_SUSPENDED, &id));
    if (!h) {
        delete thread;
        return nullptr;
    }
    thread->m_hThread = h;
    thread->m_nThreadID = id;
    ::SetThreadPriority(h, nPriority);
    if (!(dwCreateFlags & CREATE_SUSPENDED)) ::ResumeThread(h);
    return thread;
}
