#include "engine/downloader.h"
#include "install/zip_reader.h"

#include <algorithm>
#include <memory>

namespace {
std::wstring SlashForm(std::wstring path) {
    std::replace(path.begin(), path.end(), L'\\', L'/');
    return path;
}
} // namespace

unsigned __stdcall UnzipThread(void* param) {
    std::unique_ptr<DownloadTask> task(static_cast<DownloadTask*>(param));
    CEngine* engine = task->owner;
    const std::wstring folder = SlashForm(task->targetDir);
    const std::wstring package = SlashForm(task->packagePath);
    // The window is closing: end without the notice, between members or between blocks.
    auto stopping = [engine]() { return engine->m_stop.IsStopping(); };
    {
        CZipReader reader;
        // A package that is no readable archive unpacks nothing, and the search still runs over
        // what the folder holds.
        int count = reader.Open(package) ? reader.GetMemberCount() : 0;
        for (int i = 0; i < count; ++i) {
            if (stopping()) return 0;
            ArchiveMember member;
            if (!reader.GetMember(i, member)) return 0;
            const std::wstring path = folder + L"/" + member.name;
            switch (ClassifyMemberName(member.name)) {
            case MemberNameKind::Skip:
                continue;
            case MemberNameKind::Unsafe:
                // Refused before any file call: nothing is written for it or outside the folder.
                return 0;
            case MemberNameKind::Folder:
                // Parents are not made: an archive lists each folder before its contents.
                ::CreateDirectoryW(path.c_str(), nullptr);
                continue;
            case MemberNameKind::File:
                // An earlier run's file, read-only or not, is replaced.
                ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                ::DeleteFileW(path.c_str());
                if (!reader.ExtractMember(i, path, stopping)) return 0;
                continue;
            }
        }
        reader.Close();
    }
    if (stopping()) return 0;
    SendNotification(engine->GetSafeHwnd(), DL_MSG_UNZIPDONE);
    return 1;
}
