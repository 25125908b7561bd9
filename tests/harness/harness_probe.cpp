// Probe and window-policy scenarios.
#include "tests/harness/harness.h"

namespace {
// probe <url>: one probe; ends at its notice.
HarnessCommandRegistration probe("probe", "<url>", [](CHarnessWnd& w, const CHarnessWnd::Args& a) {
    if (a.size() != 1) return false;
    w.onStart = [&w]() { w.Finish(0); };
    w.onStatus = [&w](const std::wstring&, int failed) {
        if (failed) w.Finish(1);
    };
    w.StartProbe(a[0]);
    return true;
});

// close-policy: WM_CLOSE while merging is refused with the status text; afterwards it closes.
HarnessCommandRegistration closePolicy("close-policy", "", [](CHarnessWnd& w, const CHarnessWnd::Args&) {
    w.m_bMerging = 1;
    w.SendMessage(WM_CLOSE);
    w.Log("after-close-merging", ::IsWindow(w.m_hWnd) ? "open" : "gone");
    w.m_bMerging = 0;
    w.After(50, [&w]() { w.SendMessage(WM_CLOSE); });
    return true;
});
} // namespace
