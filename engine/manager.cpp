#include "engine/downloader.h"

#include <memory>

// Placeholder until the segmented download lands.
unsigned __stdcall ManagerThread(void* param) {
    std::unique_ptr<DownloadTask> task(static_cast<DownloadTask*>(param));
    return 0;
}

UINT WorkerThread(LPVOID param) {
    std::unique_ptr<DownloadTask> task(static_cast<DownloadTask*>(param));
    return 0;
}

int CMyFile::MergePart(const SegmentInfo&, FILE*) { return 0; }
