#pragma once
// Cooperative stopping and pausing of the engine's threads.
//
// Winsock gives no way to wake a thread blocked in recv or connect except closing its socket
// (shutdown does not wake it under Wine). Every socket of the engine therefore lives in a
// registry: its owner closes it through the registry, and a stop request closes them all under the
// same lock, so no socket is ever closed twice or closed after its handle value was reused.
#include <winsock2.h>
#include <windows.h>

class CSocketRegistry {
public:
    CSocketRegistry();
    ~CSocketRegistry();
    CSocketRegistry(const CSocketRegistry&) = delete;
    CSocketRegistry& operator=(const CSocketRegistry&) = delete;

    // Takes a new socket into the registry. After CloseAll it closes the socket instead and
    // returns false.
    bool Add(SOCKET s);
    // Closes the socket if the registry still holds it.
    void Close(SOCKET s);
    // Closes every socket and refuses new ones from now on.
    void CloseAll();

private:
    static const int kSlots = 64;
    CRITICAL_SECTION m_cs;
    SOCKET m_slots[kSlots];
    bool m_bClosed = false;
};

// One socket owned by one thread, closed through the registry on every path.
class CSocketOwner {
public:
    explicit CSocketOwner(CSocketRegistry* registry) : m_registry(registry) {}
    ~CSocketOwner() { Close(); }
    CSocketOwner(const CSocketOwner&) = delete;
    CSocketOwner& operator=(const CSocketOwner&) = delete;
    void Reset(SOCKET s) {
        Close();
        m_s = s;
    }
    SOCKET Get() const { return m_s; }
    bool Valid() const { return m_s != INVALID_SOCKET; }
    void Close() {
        if (m_s == INVALID_SOCKET) return;
        if (m_registry)
            m_registry->Close(m_s);
        else
            ::closesocket(m_s);
        m_s = INVALID_SOCKET;
    }

private:
    CSocketRegistry* m_registry;
    SOCKET m_s = INVALID_SOCKET;
};

class CStopControl {
public:
    CStopControl();
    ~CStopControl();
    CStopControl(const CStopControl&) = delete;
    CStopControl& operator=(const CStopControl&) = delete;

    // Sets the stop flag, wakes every wait below and closes every registered socket.
    void RequestStop();
    bool IsStopping() const { return ::InterlockedCompareExchange(&m_flag, 0, 0) != 0; }
    // Sleeps up to ms; true when a stop request ended the sleep.
    bool SleepUnlessStopped(DWORD ms);

    // The pause gate: workers wait at it between blocks, never while holding a lock.
    void SetPaused(bool paused);
    bool IsPaused() const;
    // Returns at once when running; false when the wait ended because of a stop request.
    bool WaitWhilePaused();

    CSocketRegistry m_sockets;

private:
    mutable volatile LONG m_flag = 0;
    HANDLE m_hStop;    // manual reset, set by RequestStop
    HANDLE m_hRunning; // manual reset, set while not paused
};
