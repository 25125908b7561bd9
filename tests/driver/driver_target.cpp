// The window the driver's own tests drive: a dialog of the framework, so that clicks and keys
// take the very path they take in the program (the modal loop, PreTranslateMessage and
// IsDialogMessage). Everything that reaches it is also printed on stdout, one line per event, so
// a test can check what arrived after the window is gone.
//
// Usage: driver_target.exe [pulse=<ms>,<ms>,...] [notice]
//   pulse=...  hold times of the texts "pulse-1", "pulse-2", ... shown by the pulse button
//   notice     show only an owner-less OK box, as a second instance of the program does
#include "tests/driver/driver_target.h"

#include "framework/app.h"
#include "framework/dialog.h"
#include "framework/strings.h"

#include <cstdio>
#include <shellapi.h>
#include <string>
#include <vector>

namespace {

double NowMs() {
    LARGE_INTEGER f, c;
    ::QueryPerformanceFrequency(&f);
    ::QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
}

void Print(const std::wstring& line) {
    printf("%s\n", ToUtf8(line).c_str());
    fflush(stdout);
}

const UINT_PTR kTickTimer = 1;
// The block the screenshot test looks for, in client pixels.
const RECT kBlock = {8, 8, 48, 48};
const COLORREF kBlockColour = RGB(0, 128, 255);

class CTargetDlg : public CDialog {
  public:
    CTargetDlg() : CDialog(IDD_TARGET) {}
    std::vector<int> m_vecPulseMs;

    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        ::SetTimer(m_hWnd, kTickTimer, 100, nullptr);
        Print(L"open");
        return TRUE;
    }

    // The program's keyboard filter swallows Enter before the dialog's own handling; Escape is
    // let through here, so that a test sees it reach IsDialogMessage (which turns it into
    // IDCANCEL).
    BOOL PreTranslateMessage(MSG* pMsg) override {
        if (pMsg->message == WM_KEYDOWN && pMsg->wParam == VK_RETURN) {
            Log(L"pre-return");
            return TRUE;
        }
        if (pMsg->message == WM_KEYDOWN && pMsg->wParam == VK_ESCAPE) Log(L"pre-escape");
        return CDialog::PreTranslateMessage(pMsg);
    }
    void OnOK() override { Log(L"ok"); }
    void OnCancel() override { Log(L"cancel"); }

    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override {
        switch (message) {
        case WM_TIMER:
            if (wParam == kTickTimer) {
                ::SetDlgItemTextW(m_hWnd, IDC_TICK, FormatW(L"tick %d", ++m_nTicks).c_str());
                *pResult = 0;
                return TRUE;
            }
            break;
        case WM_COMMAND:
            if (HIWORD(wParam) == BN_CLICKED && OnClicked(LOWORD(wParam))) {
                *pResult = 0;
                return TRUE;
            }
            break;
        case WM_SYSCOMMAND:
            // The default handling turns SC_CLOSE into WM_CLOSE.
            if ((wParam & 0xFFF0) == SC_CLOSE) Log(L"syscommand-close");
            break;
        case WM_CLOSE:
            Log(L"close");
            EndDialog(IDCANCEL);
            *pResult = 0;
            return TRUE;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = ::BeginPaint(m_hWnd, &ps);
            HBRUSH brush = ::CreateSolidBrush(kBlockColour);
            ::FillRect(dc, &kBlock, brush);
            ::DeleteObject(brush);
            ::EndPaint(m_hWnd, &ps);
            *pResult = 0;
            return TRUE;
        }
        case WM_APP: // the pulse thread has ended
            ::CloseHandle(m_hPulse);
            m_hPulse = nullptr;
            *pResult = 0;
            return TRUE;
        }
        return CDialog::OnWndMsg(message, wParam, lParam, pResult);
    }

  private:
    int m_nTicks = 0;
    bool m_bOn = false;
    HANDLE m_hPulse = nullptr;
    std::wstring m_strLog;

    void Log(const std::wstring& event) {
        m_strLog += (m_strLog.empty() ? L"" : L" ") + event;
        ::SetDlgItemTextW(m_hWnd, IDC_LOG, m_strLog.c_str());
        Print(event);
    }

    bool OnClicked(int id) {
        switch (id) {
        case IDC_TOGGLE_BUTTON:
            m_bOn = !m_bOn;
            Log(L"toggle");
            ::ShowWindow(GetDlgItem(IDC_HIDDEN), m_bOn ? SW_SHOW : SW_HIDE);
            ::EnableWindow(GetDlgItem(IDC_DISABLED), m_bOn);
            // The text last: a test that sees it may read the other two at once.
            ::SetDlgItemTextW(m_hWnd, IDC_TOGGLE, m_bOn ? L"on" : L"off");
            return true;
        case IDC_ASK: {
            Log(L"ask");
            int answer = ::MessageBoxW(m_hWnd, L"文件已经存在,是否重新下载?", L"提示", MB_YESNO);
            const wchar_t* text = answer == IDYES ? L"yes" : answer == IDNO ? L"no" : L"other";
            Log(std::wstring(L"answer-") + text);
            ::SetDlgItemTextW(m_hWnd, IDC_ANSWER, text);
            return true;
        }
        case IDC_PULSE_BUTTON:
            if (m_hPulse) return true; // one sequence at a time
            Log(L"pulse");
            m_hPulse = ::CreateThread(nullptr, 0, PulseThread, this, 0, nullptr);
            return true;
        case IDC_DISABLED:
            Log(L"disabled-clicked");
            return true;
        }
        return false;
    }

    // Shows "pulse-1", "pulse-2", ... each for its hold time, then "pulse-done". The texts are
    // set from a worker thread with a synchronous WM_SETTEXT, as the program's status texts
    // reach the window from its worker threads.
    static DWORD WINAPI PulseThread(void* p) {
        auto* self = static_cast<CTargetDlg*>(p);
        HWND ctl = self->GetDlgItem(IDC_PULSE);
        std::vector<double> held;
        double since = NowMs();
        for (size_t i = 0; i < self->m_vecPulseMs.size(); ++i) {
            std::wstring text = FormatW(L"pulse-%u", static_cast<unsigned>(i + 1));
            ::SendMessageW(ctl, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
            double now = NowMs();
            if (i > 0) held.push_back(now - since);
            since = now;
            // Sleep for most of the hold and spin for the rest: Sleep alone overshoots by up to
            // a millisecond, which is the scale being measured.
            double until = since + self->m_vecPulseMs[i];
            if (self->m_vecPulseMs[i] > 2) ::Sleep(static_cast<DWORD>(self->m_vecPulseMs[i] - 2));
            while (NowMs() < until) {
            }
        }
        if (!self->m_vecPulseMs.empty()) held.push_back(NowMs() - since);
        // Printed before "pulse-done" shows, so that a test that has seen it can read the times.
        std::wstring line = L"held=";
        for (size_t i = 0; i < held.size(); ++i)
            line += FormatW(i ? L",%.2f" : L"%.2f", held[i]);
        Print(line);
        ::SendMessageW(ctl, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"pulse-done"));
        ::PostMessageW(self->m_hWnd, WM_APP, 0, 0);
        return 0;
    }
};

class CTargetApp : public CWinApp {
  public:
    BOOL InitInstance() override {
        int argc = 0;
        wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
        std::vector<std::wstring> args(argv + 1, argv + argc);
        ::LocalFree(argv);
        CTargetDlg dlg;
        for (auto& a : args) {
            if (a == L"notice") {
                // As a second instance: no owner window, only the OK button.
                ::MessageBoxW(nullptr, L"下载器已经启动", L"提示", MB_OK);
                Print(L"notice-closed");
                return FALSE;
            }
            if (a.rfind(L"pulse=", 0) == 0) {
                for (const wchar_t* s = a.c_str() + 6; *s;) {
                    wchar_t* end = nullptr;
                    dlg.m_vecPulseMs.push_back(static_cast<int>(wcstol(s, &end, 10)));
                    s = *end == L',' ? end + 1 : end;
                    if (end == s && *s) break;
                }
            }
        }
        dlg.DoModal();
        Print(L"closed");
        return FALSE;
    }
};

CTargetApp theApp;

} // namespace

int wmain() {
    return AfxWinMain(::GetModuleHandleW(nullptr), SW_SHOW);
}
