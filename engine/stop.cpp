#include "engine/stop.h"

CSocketRegistry::CSocketRegistry() {
    ::InitializeCriticalSection(&m_cs);
    for (SOCKET& s : m_slots) s = INVALID_SOCKET;
}

CSocketRegistry::~CSocketRegistry() { ::DeleteCriticalSection(&m_cs); }

bool CSocketRegistry::Add(SOCKET s) {
    if (s == INVALID_SOCKET) return false;
    ::EnterCriticalSection(&m_cs);
    bool added = false;
    if (!m_bClosed) {
        for (SOCKET& slot : m_slots) {
            if (slot == INVALID_SOCKET) {
                slot = s;
                added = true;
                break;
            }
        }
    }
    if (!added) ::closesocket(s);
    ::LeaveCriticalSection(&m_cs);
    return added;
}

void CSocketRegistry::Close(SOCKET s) {
    ::EnterCriticalSection(&m_cs);
    for (SOCKET& slot : m_slots) {
        if (slot == s) {
            ::closesocket(s);
            slot = INVALID_SOCKET;
            break;
        }
    }
    ::LeaveCriticalSection(&m_cs);
}

void CSocketRegistry::CloseAll() {
    ::EnterCriticalSection(&m_cs);
    m_bClosed = true;
    for (SOCKET& slot : m_slots) {
        if (slot != INVALID_SOCKET) {
            ::closesocket(slot);
            slot = INVALID_SOCKET;
        }
    }
    ::LeaveCriticalSection(&m_cs);
}

CStopControl::CStopControl()
    : m_hStop(::CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      m_hRunning(::CreateEventW(nullptr, TRUE, TRUE, nullptr)) {}

CStopControl::~CStopControl() {
    ::CloseHandle(m_hStop);
    ::CloseHandle(m_hRunning);
}

void CStopControl::RequestStop() {
    ::InterlockedExchange(&m_flag, 1);
    ::SetEvent(m_hStop);
    m_sockets.CloseAll();
}

bool CStopControl::SleepUnlessStopped(DWORD ms) {
    return ::WaitForSingleObject(m_hStop, ms) == WAIT_OBJECT_0;
}

void CStopControl::SetPaused(bool paused) {
    if (paused)
        ::ResetEvent(m_hRunning);
    else
        ::SetEvent(m_hRunning);
}

bool CStopControl::IsPaused() const { return ::WaitForSingleObject(m_hRunning, 0) != WAIT_OBJECT_0; }

bool CStopControl::WaitWhilePaused() {
    HANDLE both[2] = {m_hStop, m_hRunning};
    DWORD r = ::WaitForMultipleObjects(2, both, FALSE, INFINITE);
    return r != WAIT_OBJECT_0;
}
