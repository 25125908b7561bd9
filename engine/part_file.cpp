#include "engine/part_file.h"

#include "engine/segment_plan.h"

#include <windows.h>

long long PartFileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

FILE* OpenPartFile(const std::wstring& path) {
    DWORD attrs = ::GetFileAttributesW(path.c_str());
    bool keep = attrs != INVALID_FILE_ATTRIBUTES && !(attrs & FILE_ATTRIBUTE_DIRECTORY);
    return _wfopen(path.c_str(), keep ? L"r+b" : L"w+b");
}

int MeasureExistingPart(const std::wstring& path, int length) {
    PartPlan plan = PlanPart(PartFileSize(path), length);
    if (plan.discard) ::DeleteFileW(path.c_str());
    return plan.existing;
}
