#include "engine/downloader.h"

#include <memory>

// Placeholder until package extraction lands: reports the unpacking as done.
unsigned __stdcall UnzipThread(void* param) {
    std::unique_ptr<DownloadTask> task(static_cast<DownloadTask*>(param));
    SendNotification(task->owner->GetSafeHwnd(), DL_MSG_UNZIPDONE);
    return 1;
}
