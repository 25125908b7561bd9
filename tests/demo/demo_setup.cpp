// The installer inside the demo package: the program that the downloader starts as "setup.exe"
// after unpacking. It shows a small window saying the package was installed and stays until it is
// closed, or until the time given with /quit-after <ms> has passed. When its window is up it
// writes "demo_setup.started" next to itself, so that a script can tell that it was started and
// from where, whatever name the package gave the program.
#include <windows.h>
#include <shellapi.h>

#include <cwchar>
#include <string>

namespace {
const wchar_t kClass[] = L"KelqDemoSetup";
const wchar_t kTitle[] = L"演示安装程序";
const wchar_t kLine[] = L"演示安装包已经安装完毕。";
const wchar_t kMarker[] = L"demo_setup.started";
const UINT_PTR kQuitTimer = 1;

std::wstring OwnFolder() {
    wchar_t path[MAX_PATH] = {};
    DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring s(path, n);
    size_t slash = s.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : s.substr(0, slash + 1);
}

std::string Utf8(const std::wstring& w) {
    int n = ::WideCharToMultiByte(CP_UTF8, 0, w.c_str(), static_cast<int>(w.size()), nullptr, 0,
                                  nullptr, nullptr);
    std::string out(n > 0 ? n : 0, '\0');
    if (n > 0)
        ::WideCharToMultiByte(CP_UTF8, 0, w.c_str(), static_cast<int>(w.size()), &out[0], n,
                              nullptr, nullptr);
    return out;
}

// Written under a temporary name and renamed into place, so that a script polling for the
// marker never reads half of it.
bool WriteMarker() {
    std::wstring dir = OwnFolder();
    std::wstring tmp = dir + kMarker + L".tmp";
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::string text = "pid=" + std::to_string(::GetCurrentProcessId()) + "\nexe=" + Utf8(self) +
                       "\ncommand=" + Utf8(::GetCommandLineW()) + "\n";
    HANDLE h = ::CreateFileW(tmp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = ::WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
              written == text.size();
    ::CloseHandle(h);
    if (ok) ok = ::MoveFileExW(tmp.c_str(), (dir + kMarker).c_str(), MOVEFILE_REPLACE_EXISTING);
    if (!ok) ::DeleteFileW(tmp.c_str());
    return ok != FALSE;
}

// The number after /quit-after, or 0 when it is absent; -1 when it is there but not a number.
long QuitAfter(int argc, wchar_t** argv) {
    for (int i = 1; i < argc; ++i) {
        if (::lstrcmpiW(argv[i], L"/quit-after") != 0) continue;
        if (i + 1 >= argc) return -1;
        wchar_t* end = nullptr;
        long ms = std::wcstol(argv[i + 1], &end, 10);
        return (end == argv[i + 1] || *end != 0 || ms <= 0) ? -1 : ms;
    }
    return 0;
}

LRESULT CALLBACK WndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = ::BeginPaint(hWnd, &ps);
        RECT rc;
        ::GetClientRect(hWnd, &rc);
        // The title is drawn inside as well: without a window manager there is no caption bar.
        RECT top = rc, bottom = rc;
        top.bottom = rc.bottom / 2;
        bottom.top = rc.bottom / 2;
        ::SetBkMode(dc, TRANSPARENT);
        HFONT heading =
            ::CreateFontW(24, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"宋体");
        HFONT body =
            ::CreateFontW(16, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"宋体");
        HGDIOBJ old = ::SelectObject(dc, heading);
        ::DrawTextW(dc, kTitle, -1, &top, DT_CENTER | DT_BOTTOM | DT_SINGLELINE);
        ::SelectObject(dc, body);
        bottom.top += 8;
        ::DrawTextW(dc, kLine, -1, &bottom, DT_CENTER | DT_TOP | DT_SINGLELINE);
        ::SelectObject(dc, old);
        ::DeleteObject(heading);
        ::DeleteObject(body);
        ::EndPaint(hWnd, &ps);
        return 0;
    }
    case WM_TIMER:
        if (wParam == kQuitTimer) ::DestroyWindow(hWnd);
        return 0;
    case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcW(hWnd, message, wParam, lParam);
}
} // namespace

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE, LPWSTR, int nCmdShow) {
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    long quitAfter = argv ? QuitAfter(argc, argv) : 0;
    if (argv) ::LocalFree(argv);
    // A script's typo must not leave a window open that nobody closes.
    if (quitAfter < 0) return 2;

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = WndProc;
    wc.hInstance = hInstance;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kClass;
    if (!::RegisterClassExW(&wc)) return 1;

    RECT rc = {0, 0, 320, 100};
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    ::AdjustWindowRect(&rc, style, FALSE);
    int w = rc.right - rc.left, h = rc.bottom - rc.top;
    int x = (::GetSystemMetrics(SM_CXSCREEN) - w) / 2,
        y = (::GetSystemMetrics(SM_CYSCREEN) - h) / 2;
    HWND hWnd = ::CreateWindowExW(0, kClass, kTitle, style, x, y, w, h, nullptr, nullptr, hInstance,
                                  nullptr);
    if (!hWnd) return 1;
    ::ShowWindow(hWnd, nCmdShow);
    ::UpdateWindow(hWnd);
    if (quitAfter > 0) ::SetTimer(hWnd, kQuitTimer, static_cast<UINT>(quitAfter), nullptr);
    if (!WriteMarker()) {
        ::DestroyWindow(hWnd);
        return 1;
    }

    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return 0;
}
