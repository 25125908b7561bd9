#include "tests/harness/harness.h"

#include "framework/app.h"
#include "framework/strings.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <shellapi.h>

namespace {
struct Entry {
    std::string usage;
    HarnessCommand fn;
};
std::map<std::string, Entry>& Commands() {
    static std::map<std::string, Entry> commands;
    return commands;
}
DWORD g_t0 = ::GetTickCount();
const UINT_PTR kTimerBase = 100;
} // namespace

HarnessCommandRegistration::HarnessCommandRegistration(const char* name, const char* usage,
                                                       HarnessCommand fn) {
    Commands()[name] = Entry{usage, std::move(fn)};
}

unsigned HarnessClock() { return ::GetTickCount() - g_t0; }
int ArgInt(const std::wstring& s) { return static_cast<int>(wcstol(s.c_str(), nullptr, 10)); }
std::string U8(const std::wstring& s) { return ToUtf8(s); }

void CHarnessWnd::Log(const char* hook, const std::string& detail) {
    printf("%u\t%s\t%s\n", HarnessClock(), hook, detail.c_str());
    fflush(stdout);
}

void CHarnessWnd::OnStartDownload() {
    Log("start", "size=" + std::to_string(m_nFileSize));
    if (onStart) onStart();
}
void CHarnessWnd::OnProgress() {
    ++m_nProgressCount;
    if (m_bLogProgress) Log("progress", "downloaded=" + std::to_string(m_nDownloaded));
    if (onProgress) onProgress();
}
void CHarnessWnd::OnDownFinished() {
    Log("finished");
    if (onFinished) onFinished();
}
void CHarnessWnd::OnCheckStatus(std::wstring text, int failed) {
    Log("status", "failed=" + std::to_string(failed) + " text=" + U8(text));
    if (onStatus) onStatus(text, failed);
}
void CHarnessWnd::OnUnzipDone() {
    Log("unzipdone");
    if (onUnzipDone) onUnzipDone();
}

BOOL CHarnessWnd::OnInitDialog() {
    CEngine::OnInitDialog();
    if (run) run();
    return TRUE;
}

void CHarnessWnd::Finish(int code) {
    m_nExitCode = code;
    EndDialog(code);
}

void CHarnessWnd::After(UINT ms, std::function<void()> fn) {
    m_timers.push_back(std::move(fn));
    ::SetTimer(m_hWnd, kTimerBase + m_timers.size() - 1, ms, nullptr);
}

BOOL CHarnessWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    if (message == WM_TIMER && wParam >= kTimerBase && wParam < kTimerBase + m_timers.size()) {
        ::KillTimer(m_hWnd, wParam);
        auto fn = m_timers[wParam - kTimerBase];
        if (fn) fn();
        *pResult = 0;
        return TRUE;
    }
    return CEngine::OnWndMsg(message, wParam, lParam, pResult);
}

class CHarnessApp : public CWinApp {
public:
    BOOL InitInstance() override {
        int argc = 0;
        wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
        CHarnessWnd::Args args(argv + 1, argv + argc);
        ::LocalFree(argv);
        if (args.empty() || !Commands().count(U8(args[0]))) {
            for (auto& c : Commands()) printf("%s %s\n", c.first.c_str(), c.second.usage.c_str());
            m_nExitCode = 2;
            return FALSE;
        }
        const std::string name = U8(args[0]);
        args.erase(args.begin());
        DWORD closedAt = 0;
        {
            CHarnessWnd wnd;
            wnd.m_strLocalDir = L".\\";
            bool ok = true;
            wnd.run = [&]() { ok = Commands()[name].fn(wnd, args); if (!ok) wnd.Finish(2); };
            wnd.DoModal();
            closedAt = ::GetTickCount();
            wnd.Log("closed", "progress_count=" + std::to_string(wnd.m_nProgressCount) +
                                  " downloaded=" + std::to_string(wnd.m_nDownloaded) +
                                  " resume_base=" + std::to_string(wnd.m_nResumeBase) +
                                  " completed=" + std::to_string(wnd.m_nCompleted) +
                                  " merging=" + std::to_string(wnd.m_bMerging));
            m_nExitCode = ok ? wnd.m_nExitCode : 2;
        }
        printf("%u\tended\tstop_ms=%lu\n", HarnessClock(), ::GetTickCount() - closedAt);
        fflush(stdout);
        return FALSE;
    }
};

CHarnessApp theApp;

int wmain() { return AfxWinMain(::GetModuleHandleW(nullptr), SW_SHOW); }
