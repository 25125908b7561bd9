#pragma once
// The framework's thread object.
#include <windows.h>

typedef UINT (*AFX_THREADPROC)(LPVOID);

class CWinThread {
public:
    CWinThread(AFX_THREADPROC pfn, LPVOID param) : m_pfnThreadProc(pfn), m_pThreadParams(param) {}
    virtual ~CWinThread();
    DWORD ResumeThread() { return ::ResumeThread(m_hThread); }
    DWORD SuspendThread() { return ::SuspendThread(m_hThread); }

    HANDLE m_hThread = nullptr;
    DWORD m_nThreadID = 0;
    // TRUE: the object deletes itself, closing m_hThread, when its thread ends. Create the thread
    // suspended and clear this before resuming when the handle is needed later.
    BOOL m_bAutoDelete = TRUE;

    AFX_THREADPROC m_pfnThreadProc;
    LPVOID m_pThreadParams;
};

// nullptr when the thread can't be created.
CWinThread* AfxBeginThread(AFX_THREADPROC pfn, LPVOID param, int nPriority = THREAD_PRIORITY_NORMAL,
                           UINT nStackSize = 0, DWORD dwCreateFlags = 0,
                           LPSECURITY_ATTRIBUTES lpSecurityAttrs = nullptr);
