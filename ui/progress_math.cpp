#include "ui/progress_math.h"

#include "framework/strings.h"

std::wstring FormatSize(LONG fileSize) {
    double mb = static_cast<double>(static_cast<DWORD>(fileSize)) * (1.0 / 1048576.0);
    return FormatW(L"%0.1f  MB", mb);
}

unsigned PercentDone(LONG downloaded, LONG fileSize) {
    unsigned long long size = static_cast<DWORD>(fileSize);
    if (size == 0) return 0;
    unsigned long long product = static_cast<unsigned long long>(static_cast<DWORD>(downloaded)) * 100u;
    return static_cast<unsigned>(product / size);
}

bool SpeedDue(bool shownBefore, DWORD now, DWORD startTick) {
    return !shownBefore || (now - startTick) % 37u == 0;
}

bool ComputeSpeed(LONG downloaded, LONG resumeBase, DWORD now, DWORD startTick, DWORD pausedTime,
                  double* kbPerSecond) {
    DWORD bytes = static_cast<DWORD>(downloaded) - static_cast<DWORD>(resumeBase);
    DWORD elapsed = now - pausedTime - startTick;
    if (elapsed == 0) return false;
    *kbPerSecond = static_cast<double>(bytes) / (static_cast<double>(elapsed) * 1.024);
    return true;
}

std::wstring FormatSpeed(double kbPerSecond) { return FormatW(L"%0.1f  KB/S", kbPerSecond); }
