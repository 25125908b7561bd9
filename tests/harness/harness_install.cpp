// Unpacking and installer-start scenarios on the real engine window.
#include "tests/harness/harness.h"

#include "framework/filefind.h"
#include "install/install.h"

#include <memory>

namespace {
// Polls until the unzip thread has ended, then logs how it ended and calls done.
void WhenUnzipEnds(CHarnessWnd& w, std::shared_ptr<bool> notified, std::function<void()> done) {
    w.After(10, [&w, notified, done]() {
        if (::WaitForSingleObject(w.m_hUnzipThread, 0) != WAIT_OBJECT_0) {
            WhenUnzipEnds(w, notified, done);
            return;
        }
        DWORD code = 0;
        ::GetExitCodeThread(w.m_hUnzipThread, &code);
        w.Log("unzip-end",
              "notice=" + std::to_string(*notified ? 1 : 0) + " exit=" + std::to_string(code));
        done();
    });
}

void UiStatus(CHarnessWnd& w, const wchar_t* text) {
    w.Log("ui-status", "text=" + U8(text));
}

// unzip <package> <folder>: StartUnzip; logs the notice, or its absence when the thread ends.
HarnessCommandRegistration
    unzip("unzip", "<package> <folder>", [](CHarnessWnd& w, const CHarnessWnd::Args& a) {
        if (a.size() != 2) return false;
        auto notified = std::make_shared<bool>(false);
        w.onUnzipDone = [notified]() { *notified = true; };
        w.StartUnzip(a[0], a[1]);
        if (!w.m_hUnzipThread) return false;
        WhenUnzipEnds(w, notified, [&w, notified]() { w.Finish(*notified ? 0 : 1); });
        return true;
    });

// unzip-close <package> <folder> <ms>: StartUnzip, then closes the window after ms.
HarnessCommandRegistration unzipClose("unzip-close", "<package> <folder> <ms>",
                                      [](CHarnessWnd& w, const CHarnessWnd::Args& a) {
                                          if (a.size() != 3) return false;
                                          w.StartUnzip(a[0], a[1]);
                                          if (!w.m_hUnzipThread) return false;
                                          w.After(ArgInt(a[2]), [&w]() {
                                              w.Log("close");
                                              w.SendMessage(WM_CLOSE);
                                          });
                                          return true;
                                      });

// install <programDir\> <packageFileName>: what the main dialog does from OnDownFinished to the
// installer start, with its status texts; "close-self" when it closed its own window.
HarnessCommandRegistration
    install("install", "<programDir\\> <packageFileName>",
            [](CHarnessWnd& w, const CHarnessWnd::Args& a) {
                if (a.size() != 2) return false;
                w.m_strLocalDir = a[0];
                w.m_strFileName = a[1];
                auto unzipDir = std::make_shared<std::wstring>();
                auto notified = std::make_shared<bool>(false);
                w.onUnzipDone = [&w, unzipDir, notified]() {
                    *notified = true;
                    UiStatus(w, DL_TEXT_UNZIP_DONE);
                    std::wstring setupPath;
                    FindSetupFile(*unzipDir, w.m_strLocalDir.size(), setupPath);
                    w.Log("setup-path", "text=" + U8(setupPath));
                    if (setupPath.empty()) {
                        UiStatus(w, DL_TEXT_SETUP_NOT_FOUND);
                        return;
                    }
                    DWORD error = StartInstaller(w.m_strLocalDir + setupPath);
                    w.Log("start-result", "error=" + std::to_string(error));
                    if (error == 0) {
                        w.Log("close-self");
                        w.SendMessage(WM_CLOSE);
                        return;
                    }
                    if (const wchar_t* text = InstallerFailureText(error)) UiStatus(w, text);
                };
                *unzipDir = ExtractionFolder(w.m_strLocalDir, w.m_strFileName);
                w.Log("unzip-dir", "text=" + U8(*unzipDir));
                PrepareExtractionFolder(*unzipDir);
                UiStatus(w, DL_TEXT_UNZIPPING);
                w.StartUnzip(w.m_strLocalDir + w.m_strFileName, *unzipDir);
                if (!w.m_hUnzipThread) return false;
                // The window stays open after a failed start or a stop without notice, as the
                // dialog does; the scenario ends once the thread is gone.
                WhenUnzipEnds(w, notified, [&w]() {
                    if (::IsWindow(w.m_hWnd)) w.Finish(0);
                });
                return true;
            });

// list <folder>: the folder's entries in the order the file finder returns them.
HarnessCommandRegistration list("list", "<folder>", [](CHarnessWnd& w, const CHarnessWnd::Args& a) {
    if (a.size() != 1) return false;
    CFileFind finder;
    BOOL more = finder.FindFile((a[0] + L"\\*.*").c_str());
    while (more) {
        more = finder.FindNextFile();
        if (!finder.IsDots())
            w.Log("entry", std::string(finder.IsDirectory() ? "dir" : "file") +
                               " text=" + U8(finder.GetFileName()));
    }
    w.Finish(0);
    return true;
});

// attrs <path>...: attributes and file times (100 ns ticks) as Windows reports them.
HarnessCommandRegistration
    attrs("attrs", "<path>...", [](CHarnessWnd& w, const CHarnessWnd::Args& a) {
        auto ticks = [](const FILETIME& ft) {
            return std::to_string((static_cast<unsigned long long>(ft.dwHighDateTime) << 32) |
                                  ft.dwLowDateTime);
        };
        for (const std::wstring& path : a) {
            WIN32_FILE_ATTRIBUTE_DATA d{};
            if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &d)) {
                w.Log("attrs", "missing=1 text=" + U8(path));
                continue;
            }
            char attr[16];
            snprintf(attr, sizeof attr, "0x%lx", d.dwFileAttributes);
            w.Log("attrs", std::string("attr=") + attr + " write=" + ticks(d.ftLastWriteTime) +
                               " access=" + ticks(d.ftLastAccessTime) +
                               " creation=" + ticks(d.ftCreationTime) + " text=" + U8(path));
        }
        w.Finish(0);
        return true;
    });
} // namespace
