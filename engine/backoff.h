#pragma once
// The wait before a segment worker's next reconnect attempt. Attempts are never limited, so
// without a growing wait a dead or broken server would be hammered by a core-burning loop.
#include "engine/config.h"

class CBackoff {
  public:
    // The wait before the attempt about to be made: none right after a connection that
    // delivered data, then kBackoffFirstMs, doubling per attempt up to kBackoffMaxMs.
    unsigned Next() {
        unsigned wait = m_nNextMs;
        m_nNextMs = m_nNextMs == 0
                        ? kBackoffFirstMs
                        : (m_nNextMs >= kBackoffMaxMs / 2 ? kBackoffMaxMs : m_nNextMs * 2);
        return wait;
    }
    // A block arrived and was written: the server works again.
    void Reset() { m_nNextMs = 0; }

  private:
    unsigned m_nNextMs = kBackoffFirstMs;
};
