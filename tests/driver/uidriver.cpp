// uidriver: drives the dialog of another process that runs under the same wineserver, the way a
// user would, for the system tests.
//
// It is a long-lived command server, so that one test keeps one driver for a whole scenario and
// polls cheaply: one command per line on stdin (UTF-8), one reply line per command on stdout
// (UTF-8, written straight to the handle, so nothing waits in a buffer). A reply is either
//   ok[<TAB>key=value]...
// or
//   err <reason>
// Values escape backslash, tab, CR and LF as \\ \t \r \n, so every reply is exactly one line.
// Times in replies are milliseconds with one decimal.
//
// Reading never sends a message to the target: texts come from InternalGetWindowText, which the
// wineserver answers, so a target that is busy, blocked in a synchronous notification or inside a
// nested modal loop can still be read, and reading does not disturb its timing. Every action is
// posted, so that it reaches the target through its own message loop (PreTranslateMessage and
// IsDialogMessage), as real input does.
#include <windows.h>
#include <mmsystem.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// ---- clock, text conversion, reply building ----------------------------------------------------

double NowMs() {
    static LARGE_INTEGER freq = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER c;
    ::QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) * 1000.0 / static_cast<double>(freq.QuadPart);
}

std::wstring FromUtf8(const std::string& s) {
    if (s.empty()) return std::wstring();
    int n = ::MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(n, L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), &w[0], n);
    return w;
}

std::string ToUtf8(const std::wstring& w) {
    if (w.empty()) return std::string();
    int n = ::WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0,
                                  nullptr, nullptr);
    std::string s(n, '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), &s[0], n, nullptr,
                          nullptr);
    return s;
}

std::string Escape(const std::string& s) {
    std::string out;
    for (char c : s) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\n':
            out += "\\n";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string Hex(HWND h) {
    char buf[32];
    snprintf(buf, sizeof buf, "0x%lx", static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(h)));
    return buf;
}

std::string Ms(double ms) {
    char buf[32];
    snprintf(buf, sizeof buf, "%.1f", ms);
    return buf;
}

struct Reply {
    std::string line = "ok";
    bool failed = false;
    void Field(const std::string& key, const std::string& value) {
        line += '\t' + key + '=' + Escape(value);
    }
    void Field(const std::string& key, const std::wstring& value) { Field(key, ToUtf8(value)); }
    void Field(const std::string& key, long value) { Field(key, std::to_string(value)); }
    bool Fail(const std::string& reason) {
        line = "err " + reason;
        failed = true;
        return false;
    }
};

// ---- reading windows without sending them messages ------------------------------------------

std::wstring Text(HWND h) {
    std::vector<wchar_t> buf(1024);
    for (;;) {
        int n = ::InternalGetWindowText(h, buf.data(), static_cast<int>(buf.size()));
        if (n < static_cast<int>(buf.size()) - 1 || buf.size() >= 65536)
            return std::wstring(buf.data(), n > 0 ? n : 0);
        buf.resize(buf.size() * 4); // the text may have been cut at the buffer's end
    }
}

std::wstring ClassOf(HWND h) {
    wchar_t buf[256] = {};
    int n = ::GetClassNameW(h, buf, 256);
    return std::wstring(buf, n > 0 ? n : 0);
}

DWORD PidOf(HWND h) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(h, &pid);
    return pid;
}

BOOL CALLBACK Collect(HWND h, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(h);
    return TRUE;
}

std::vector<HWND> TopLevelWindows() {
    std::vector<HWND> out;
    ::EnumWindows(Collect, reinterpret_cast<LPARAM>(&out));
    return out;
}

std::vector<HWND> Children(HWND parent) {
    std::vector<HWND> out;
    ::EnumChildWindows(parent, Collect, reinterpret_cast<LPARAM>(&out));
    return out;
}

// Polls `ready` every `intervalMs` until it holds or the time-out passes; TRUE when it held.
// The last poll comes after the time-out, so a time-out of 0 still looks once.
template <class F> bool WaitFor(long timeoutMs, F ready, DWORD intervalMs = 2) {
    const double end = NowMs() + static_cast<double>(timeoutMs);
    for (;;) {
        const bool last = NowMs() >= end;
        if (ready()) return true;
        if (last) return false;
        ::Sleep(intervalMs);
    }
}

// ---- the dialog being driven ------------------------------------------------------------------

struct Target {
    HWND dialog = nullptr;
    DWORD pid = 0;
    DWORD tid = 0;
    HWND box = nullptr; // the message box found by the latest `msgbox`
} g;

struct Args {
    std::vector<std::string> words; // words[0] is the command
    std::string rest;               // everything after the command word, as typed
    size_t size() const { return words.size(); }
    bool Int(size_t i, long* out) const {
        if (i >= words.size()) return false;
        char* end = nullptr;
        *out = strtol(words[i].c_str(), &end, 0);
        return end && *end == '\0' && !words[i].empty();
    }
};

bool NeedDialog(Reply& r) {
    if (!g.dialog) return r.Fail("no dialog: use find first");
    if (!::IsWindow(g.dialog)) return r.Fail("dialog gone");
    return true;
}

// The control `id` of the current dialog, from argument i.
HWND Control(const Args& a, size_t i, Reply& r) {
    long id;
    if (!a.Int(i, &id)) return r.Fail("usage: control id expected"), nullptr;
    if (!NeedDialog(r)) return nullptr;
    HWND h = ::GetDlgItem(g.dialog, static_cast<int>(id));
    if (!h) r.Fail("no control " + std::to_string(id));
    return h;
}

// ---- background tracking of control texts ----------------------------------------------------
//
// One thread polls every tracked control about once a millisecond and keeps every distinct text
// with its time, so a status line that holds a text for only a few milliseconds is still seen.
// The longest gap between two polls is reported with the changes: any text held longer than that
// gap cannot have been missed.

struct Change {
    double ms;
    std::wstring text;
};

struct Tracked {
    long id;
    HWND hwnd;
    double start;
    std::vector<Change> changes;
    bool gone = false;
    long polls = 0;
    double lastPoll = 0;
    double maxGap = 0;
};

CRITICAL_SECTION g_trackLock;
std::vector<Tracked> g_tracked;
HANDLE g_trackThread = nullptr;

DWORD WINAPI TrackThread(void*) {
    struct Job {
        long id;
        HWND hwnd;
    };
    std::vector<Job> jobs;
    for (;;) {
        jobs.clear();
        ::EnterCriticalSection(&g_trackLock);
        for (auto& t : g_tracked)
            if (!t.gone) jobs.push_back({t.id, t.hwnd});
        ::LeaveCriticalSection(&g_trackLock);

        // Read outside the lock: `changes` must answer at once, even when reads are slow.
        for (auto& j : jobs) {
            std::wstring text = Text(j.hwnd);
            const double now = NowMs();
            // A window destroyed between the read and this test reads as an empty text that it
            // never showed: drop that read.
            const bool alive = ::IsWindow(j.hwnd) != FALSE;
            ::EnterCriticalSection(&g_trackLock);
            for (auto& t : g_tracked) {
                if (t.id != j.id || t.hwnd != j.hwnd || t.gone) continue;
                if (!alive) {
                    t.gone = true;
                    break;
                }
                ++t.polls;
                t.maxGap = std::max(t.maxGap, now - t.lastPoll);
                t.lastPoll = now;
                if (t.changes.back().text != text) t.changes.push_back({now - t.start, text});
                break;
            }
            ::LeaveCriticalSection(&g_trackLock);
        }
        ::Sleep(1);
    }
}

void PutChanges(Reply& r, const std::vector<Change>& changes) {
    for (auto& c : changes)
        r.Field(Ms(c.ms), c.text);
}

// ---- commands -----------------------------------------------------------------------------------

bool CmdFind(const Args& a, Reply& r) {
    // find <title> <timeout_ms>: the title is everything between the command and the time-out,
    // so it may hold blanks.
    long timeout;
    if (a.size() < 3 || !a.Int(a.size() - 1, &timeout)) return r.Fail("usage: find <title> <ms>");
    std::string rest = a.rest;
    rest = rest.substr(0, rest.find_last_not_of(' ') + 1);
    rest = rest.substr(0, rest.size() - a.words.back().size());
    rest = rest.substr(0, rest.find_last_not_of(' ') + 1);
    const std::wstring title = FromUtf8(rest);
    HWND found = nullptr;
    const double end = NowMs() + static_cast<double>(timeout);
    // A dialog exists before it is shown (its template's WS_VISIBLE takes effect after
    // WM_INITDIALOG), and what a test reads or photographs next must be the shown window: a
    // hidden match is taken only when the time-out has passed without a visible one.
    bool ok = WaitFor(timeout, [&] {
        HWND hidden = nullptr;
        for (HWND h : TopLevelWindows()) {
            if (PidOf(h) == ::GetCurrentProcessId() || Text(h) != title) continue;
            if (::IsWindowVisible(h)) {
                found = h;
                return true;
            }
            if (!hidden) hidden = h;
        }
        found = NowMs() >= end ? hidden : nullptr;
        return found != nullptr;
    });
    if (!ok) return r.Fail("timeout: no window titled " + rest);
    g.dialog = found;
    g.tid = ::GetWindowThreadProcessId(found, &g.pid);
    g.box = nullptr;
    r.Field("hwnd", Hex(found));
    r.Field("pid", static_cast<long>(g.pid));
    r.Field("tid", static_cast<long>(g.tid));
    r.Field("class", ClassOf(found));
    r.Field("visible", ::IsWindowVisible(found) ? 1L : 0L);
    return true;
}

bool CmdGone(const Args& a, Reply& r) {
    long timeout;
    if (!a.Int(1, &timeout)) return r.Fail("usage: gone <ms>");
    if (!g.dialog) return r.Fail("no dialog: use find first");
    double t0 = NowMs();
    auto closed = [] { return !::IsWindow(g.dialog); };
    if (!WaitFor(timeout, closed, 1)) return r.Fail("timeout: dialog still open");
    r.Field("ms", Ms(NowMs() - t0));
    return true;
}

bool CmdText(const Args& a, Reply& r) {
    HWND h = Control(a, 1, r);
    if (!h) return false;
    r.Field("text", Text(h));
    return true;
}

bool CmdEnabled(const Args& a, Reply& r) {
    HWND h = Control(a, 1, r);
    if (!h) return false;
    r.Field("enabled", ::IsWindowEnabled(h) ? 1L : 0L);
    return true;
}

bool CmdVisible(const Args& a, Reply& r) {
    HWND h = Control(a, 1, r);
    if (!h) return false;
    // IsWindowVisible: the control and every parent carry WS_VISIBLE, as a user would see it.
    r.Field("visible", ::IsWindowVisible(h) ? 1L : 0L);
    return true;
}

bool CmdTitle(const Args&, Reply& r) {
    if (!NeedDialog(r)) return false;
    r.Field("title", Text(g.dialog));
    return true;
}

bool CmdExists(const Args&, Reply& r) {
    if (!g.dialog) return r.Fail("no dialog: use find first");
    r.Field("exists", ::IsWindow(g.dialog) ? 1L : 0L);
    return true;
}

bool CmdWatch(const Args& a, Reply& r) {
    // watch <id> <duration_ms> [<interval_ms>]: blocks for the duration.
    long duration, interval = 1;
    HWND h = Control(a, 1, r);
    if (!h) return false;
    if (!a.Int(2, &duration) || (a.size() > 3 && (!a.Int(3, &interval) || interval < 0)))
        return r.Fail("usage: watch <id> <ms> [<interval_ms>]");
    const double t0 = NowMs();
    std::vector<Change> changes{{0.0, Text(h)}};
    long polls = 1;
    double last = t0, maxGap = 0;
    bool gone = false;
    while (NowMs() - t0 < static_cast<double>(duration)) {
        ::Sleep(static_cast<DWORD>(interval));
        std::wstring text = Text(h);
        const double now = NowMs();
        if (!::IsWindow(h)) {
            gone = true;
            break;
        }
        ++polls;
        maxGap = std::max(maxGap, now - last);
        last = now;
        if (text != changes.back().text) changes.push_back({now - t0, text});
    }
    r.Field("polls", polls);
    r.Field("maxgap", Ms(maxGap));
    if (gone) r.Field("gone", 1L);
    PutChanges(r, changes);
    return true;
}

bool CmdTrack(const Args& a, Reply& r) {
    HWND h = Control(a, 1, r);
    if (!h) return false;
    long id = 0;
    a.Int(1, &id);
    Tracked t{id, h, NowMs(), {}};
    t.changes.push_back({0.0, Text(h)});
    t.lastPoll = t.start;
    ::EnterCriticalSection(&g_trackLock);
    // Tracking the same control again starts its record afresh.
    g_tracked.erase(std::remove_if(g_tracked.begin(), g_tracked.end(),
                                   [&](const Tracked& x) { return x.id == id; }),
                    g_tracked.end());
    g_tracked.push_back(t);
    ::LeaveCriticalSection(&g_trackLock);
    if (!g_trackThread) {
        g_trackThread = ::CreateThread(nullptr, 0, TrackThread, nullptr, 0, nullptr);
        // On Windows this keeps a busy target from starving the polls; Wine 8 maps thread
        // priorities to nothing without extra set-up, so the reply's maxgap is what to trust.
        ::SetThreadPriority(g_trackThread, THREAD_PRIORITY_HIGHEST);
    }
    return true;
}

bool CmdChanges(const Args& a, Reply& r) {
    long id;
    if (!a.Int(1, &id)) return r.Fail("usage: changes <id>");
    ::EnterCriticalSection(&g_trackLock);
    auto it = std::find_if(g_tracked.begin(), g_tracked.end(),
                           [&](const Tracked& x) { return x.id == id; });
    bool found = it != g_tracked.end();
    if (found) {
        r.Field("polls", it->polls);
        r.Field("maxgap", Ms(it->maxGap));
        if (it->gone) r.Field("gone", 1L);
        PutChanges(r, it->changes);
    }
    ::LeaveCriticalSection(&g_trackLock);
    return found || r.Fail("not tracked: " + std::to_string(id));
}

bool CmdUntrack(const Args& a, Reply& r) {
    long id;
    if (!a.Int(1, &id)) return r.Fail("usage: untrack <id>");
    ::EnterCriticalSection(&g_trackLock);
    g_tracked.erase(std::remove_if(g_tracked.begin(), g_tracked.end(),
                                   [&](const Tracked& x) { return x.id == id; }),
                    g_tracked.end());
    ::LeaveCriticalSection(&g_trackLock);
    return true;
}

bool PressButton(HWND button, Reply& r, bool force) {
    // A user can press neither a hidden nor a disabled button. `force` presses it anyway, to
    // prove that a hidden button has no handler; beware that Wine's BM_CLICK reaches the handler
    // of a disabled button too, which no user can do.
    if (!force && !::IsWindowVisible(button)) return r.Fail("hidden");
    if (!force && !::IsWindowEnabled(button)) return r.Fail("disabled");
    // BM_CLICK is posted, not sent: it is fetched by the target's own loop and the button then
    // notifies its dialog with WM_COMMAND/BN_CLICKED, as a mouse click does.
    if (!::PostMessageW(button, BM_CLICK, 0, 0)) return r.Fail("post failed");
    return true;
}

bool CmdClick(const Args& a, Reply& r) {
    HWND h = Control(a, 1, r);
    if (!h) return false;
    return PressButton(h, r, a.size() > 2 && a.words[2] == "force");
}

struct KeyName {
    const char* name;
    UINT vk;
};
const KeyName kKeys[] = {
    {"return", VK_RETURN}, {"escape", VK_ESCAPE}, {"tab", VK_TAB}, {"space", VK_SPACE}};

bool CmdKey(const Args& a, Reply& r) {
    if (a.size() < 2) return r.Fail("usage: key <return|escape|tab|space>");
    const KeyName* key = nullptr;
    for (auto& k : kKeys)
        if (a.words[1] == k.name) key = &k;
    if (!key) return r.Fail("unknown key " + a.words[1]);
    if (!NeedDialog(r)) return false;
    // A keyboard's message goes to the focus window of the dialog's thread, and the thread's loop
    // fetches it, so it passes PreTranslateMessage and IsDialogMessage. With no focus window (the
    // thread is not active) the key goes to the dialog, as the active window gets it.
    GUITHREADINFO gui{};
    gui.cbSize = sizeof(gui);
    HWND to = nullptr;
    if (::GetGUIThreadInfo(g.tid, &gui)) to = gui.hwndFocus ? gui.hwndFocus : gui.hwndActive;
    if (!to) to = g.dialog;
    const UINT scan = ::MapVirtualKeyW(key->vk, MAPVK_VK_TO_VSC);
    const LPARAM down = 1 | (static_cast<LPARAM>(scan) << 16);
    const LPARAM up = down | (1L << 30) | (1L << 31);
    if (!::PostMessageW(to, WM_KEYDOWN, key->vk, down) ||
        !::PostMessageW(to, WM_KEYUP, key->vk, up))
        return r.Fail("post failed");
    r.Field("to", Hex(to));
    r.Field("class", ClassOf(to));
    return true;
}

bool CmdClose(const Args&, Reply& r) {
    if (!NeedDialog(r)) return false;
    if (!::PostMessageW(g.dialog, WM_CLOSE, 0, 0)) return r.Fail("post failed");
    return true;
}

bool CmdSysClose(const Args&, Reply& r) {
    if (!NeedDialog(r)) return false;
    if (!::PostMessageW(g.dialog, WM_SYSCOMMAND, SC_CLOSE, 0)) return r.Fail("post failed");
    return true;
}

struct ButtonName {
    int id;
    const char* name;
};
const ButtonName kButtons[] = {
    {IDOK, "ok"},       {IDCANCEL, "cancel"},     {IDABORT, "abort"},
    {IDRETRY, "retry"}, {IDIGNORE, "ignore"},     {IDYES, "yes"},
    {IDNO, "no"},       {IDTRYAGAIN, "tryagain"}, {IDCONTINUE, "continue"},
    {IDHELP, "help"}};

// The visible push buttons of a message box, left to right, with their names.
std::vector<std::pair<HWND, std::string>> BoxButtons(HWND box) {
    std::vector<std::pair<int, std::pair<HWND, std::string>>> found;
    for (HWND c : Children(box)) {
        if (::GetParent(c) != box || !::IsWindowVisible(c) || ClassOf(c) != L"Button") continue;
        int id = ::GetDlgCtrlID(c);
        for (auto& b : kButtons) {
            if (b.id != id) continue;
            RECT rc;
            ::GetWindowRect(c, &rc);
            found.push_back({rc.left, {c, b.name}});
        }
    }
    std::sort(found.begin(), found.end(),
              [](const auto& x, const auto& y) { return x.first < y.first; });
    std::vector<std::pair<HWND, std::string>> out;
    for (auto& f : found)
        out.push_back(f.second);
    return out;
}

bool CmdMsgBox(const Args& a, Reply& r) {
    // msgbox <timeout_ms> [<pid>|any]: a message box of the dialog's process unless told otherwise.
    long timeout, pid = 0;
    if (!a.Int(1, &timeout)) return r.Fail("usage: msgbox <ms> [<pid>|any]");
    bool any = a.size() > 2 && a.words[2] == "any";
    if (a.size() > 2 && !any && !a.Int(2, &pid)) return r.Fail("usage: msgbox <ms> [<pid>|any]");
    if (!any && pid == 0) {
        if (!g.dialog) return r.Fail("no dialog: use find first, or give a pid");
        pid = static_cast<long>(g.pid);
    }
    HWND box = nullptr;
    bool ok = WaitFor(timeout, [&] {
        for (HWND h : TopLevelWindows()) {
            if (h == g.dialog || !::IsWindowVisible(h) || ClassOf(h) != L"#32770") continue;
            DWORD p = PidOf(h);
            if (p == ::GetCurrentProcessId() || (!any && p != static_cast<DWORD>(pid))) continue;
            // A box is shown before its modal loop runs; its buttons exist by then.
            if (BoxButtons(h).empty()) continue;
            box = h;
            return true;
        }
        return false;
    });
    if (!ok) return r.Fail("timeout: no message box");
    g.box = box;
    std::wstring text;
    for (HWND c : Children(box)) {
        if (ClassOf(c) != L"Static" || (::GetWindowLongW(c, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
            continue;
        std::wstring t = Text(c);
        if (t.empty()) continue;
        if (!text.empty()) text += L'\n';
        text += t;
    }
    std::string names;
    for (auto& b : BoxButtons(box))
        names += (names.empty() ? "" : ",") + b.second;
    r.Field("hwnd", Hex(box));
    r.Field("pid", static_cast<long>(PidOf(box)));
    r.Field("title", Text(box));
    r.Field("text", text);
    r.Field("buttons", names);
    return true;
}

bool CmdAnswer(const Args& a, Reply& r) {
    if (a.size() < 2) return r.Fail("usage: answer <yes|no|ok|cancel|...>");
    if (!g.box || !::IsWindow(g.box)) return r.Fail("no message box: use msgbox first");
    HWND button = nullptr;
    for (auto& b : BoxButtons(g.box))
        if (b.second == a.words[1]) button = b.first;
    if (!button) return r.Fail("the box has no button " + a.words[1]);
    if (!PressButton(button, r, false)) return false;
    // The reply waits for the box to close, so that a next `msgbox` cannot find this box again.
    // What the answer causes follows in the caller of MessageBox, after this reply.
    double t0 = NowMs();
    HWND box = g.box;
    auto closed = [box] { return !::IsWindow(box); };
    if (!WaitFor(5000, closed, 1)) return r.Fail("the box stayed open");
    g.box = nullptr;
    r.Field("ms", Ms(NowMs() - t0));
    return true;
}

std::string RectText(const RECT& rc) {
    return std::to_string(rc.left) + "," + std::to_string(rc.top) + "," + std::to_string(rc.right) +
           "," + std::to_string(rc.bottom);
}

bool CmdRect(const Args& a, Reply& r) {
    // rect [<id>]: of the dialog, or of one of its controls; screen coordinates throughout.
    HWND h = a.size() > 1 ? Control(a, 1, r) : (NeedDialog(r) ? g.dialog : nullptr);
    if (!h) return false;
    RECT win, client;
    ::GetWindowRect(h, &win);
    ::GetClientRect(h, &client);
    ::MapWindowPoints(h, nullptr, reinterpret_cast<POINT*>(&client), 2);
    r.Field("window", RectText(win));
    r.Field("client", RectText(client));
    r.Field("screen", std::to_string(::GetSystemMetrics(SM_CXSCREEN)) + "," +
                          std::to_string(::GetSystemMetrics(SM_CYSCREEN)));
    return true;
}

bool CmdQuit(const Args&, Reply&) {
    return true;
}

bool CmdHelp(const Args&, Reply& r);

struct Command {
    const char* name;
    const char* usage;
    bool (*run)(const Args&, Reply&);
};

const Command kCommands[] = {
    {"find", "<title> <timeout_ms>", CmdFind},
    {"gone", "<timeout_ms>", CmdGone},
    {"text", "<id>", CmdText},
    {"enabled", "<id>", CmdEnabled},
    {"visible", "<id>", CmdVisible},
    {"title", "", CmdTitle},
    {"exists", "", CmdExists},
    {"watch", "<id> <duration_ms> [<interval_ms>]", CmdWatch},
    {"track", "<id>", CmdTrack},
    {"changes", "<id>", CmdChanges},
    {"untrack", "<id>", CmdUntrack},
    {"click", "<id> [force]", CmdClick},
    {"key", "<return|escape|tab|space>", CmdKey},
    {"close", "", CmdClose},
    {"sysclose", "", CmdSysClose},
    {"msgbox", "<timeout_ms> [<pid>|any]", CmdMsgBox},
    {"answer", "<yes|no|ok|cancel|...>", CmdAnswer},
    {"rect", "[<id>]", CmdRect},
    {"help", "", CmdHelp},
    {"quit", "", CmdQuit},
};

bool CmdHelp(const Args&, Reply& r) {
    for (auto& c : kCommands)
        r.Field(c.name, c.usage);
    return true;
}

void WriteLine(const std::string& line) {
    static HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
    std::string s = line + "\n";
    DWORD written = 0;
    ::WriteFile(out, s.data(), static_cast<DWORD>(s.size()), &written, nullptr);
}

// Runs one command line; false when the driver is to end.
bool RunLine(const std::string& line) {
    Args a;
    size_t pos = 0;
    while (pos < line.size()) {
        size_t start = line.find_first_not_of(' ', pos);
        if (start == std::string::npos) break;
        size_t end = line.find(' ', start);
        if (end == std::string::npos) end = line.size();
        a.words.push_back(line.substr(start, end - start));
        if (a.words.size() == 1) a.rest = end < line.size() ? line.substr(end + 1) : "";
        pos = end;
    }
    if (a.words.empty()) return true;
    Reply r;
    const Command* cmd = nullptr;
    for (auto& c : kCommands)
        if (a.words[0] == c.name) cmd = &c;
    if (!cmd)
        r.Fail("unknown command " + a.words[0]);
    else
        cmd->run(a, r);
    WriteLine(r.line);
    return !(cmd && cmd->run == CmdQuit);
}

} // namespace

int main() {
    // Rectangles are compared with screenshots: physical pixels, whatever the display's DPI.
    ::SetProcessDPIAware();
    // Sleep(1) must mean about a millisecond for the polls.
    ::timeBeginPeriod(1);
    ::InitializeCriticalSection(&g_trackLock);
    HANDLE in = ::GetStdHandle(STD_INPUT_HANDLE);
    std::string pending;
    char buf[4096];
    for (;;) {
        DWORD n = 0;
        // End of input (the test's end) ends the driver, so none is left behind.
        if (!::ReadFile(in, buf, sizeof buf, &n, nullptr) || n == 0) break;
        pending.append(buf, n);
        size_t nl;
        while ((nl = pending.find('\n')) != std::string::npos) {
            std::string line = pending.substr(0, nl);
            pending.erase(0, nl + 1);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (!RunLine(line)) {
                ::ExitProcess(0);
            }
        }
    }
    ::ExitProcess(0);
}
