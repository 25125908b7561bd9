#pragma once
// A small test window over the real engine. It records every hook it receives as a line on
// stdout ("<ms since start>\t<hook>\t<detail>"), so that the pytest scenarios can assert what the
// window saw next to what the servers saw. Commands are registered by name; each starts its
// scenario from OnInitDialog and ends it with Finish().
#include "engine/downloader.h"

#include <functional>
#include <string>
#include <vector>

class CHarnessWnd : public CEngine {
public:
    using Args = std::vector<std::wstring>;

    void OnDownFinished() override;
    void OnProgress() override;
    void OnStartDownload() override;
    void OnCheckStatus(std::wstring text, int failed) override;
    void OnUnzipDone() override;
    BOOL OnInitDialog() override;

    // Ends the modal loop; main prints the summary and the exit code.
    void Finish(int code);
    // Runs fn on the window thread after ms (a one-shot timer).
    void After(UINT ms, std::function<void()> fn);
    void Log(const char* hook, const std::string& detail = std::string());

    // Optional reactions; the default of each is only to log.
    std::function<void()> onStart, onFinished, onUnzipDone, onProgress;
    std::function<void(const std::wstring&, int)> onStatus;

    std::function<void()> run;
    int m_nProgressCount = 0;
    int m_nExitCode = 0;
    bool m_bLogProgress = false;

    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

private:
    std::vector<std::function<void()>> m_timers;
};

using HarnessCommand = std::function<bool(CHarnessWnd&, const CHarnessWnd::Args&)>;
// Registers a command at static-initialisation time.
struct HarnessCommandRegistration {
    HarnessCommandRegistration(const char* name, const char* usage, HarnessCommand fn);
};

// Milliseconds since the harness started.
unsigned HarnessClock();
int ArgInt(const std::wstring& s);
std::string U8(const std::wstring& s);
