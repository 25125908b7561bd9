#pragma once
// The arithmetic behind the size, percentage and speed texts. Counters are the engine's signed
// 32-bit values, taken as unsigned; ticks are GetTickCount values with wrap-around.
#include <string>
#include <windows.h>

// "%0.1f  MB" of the size in MiB.
std::wstring FormatSize(LONG fileSize);

// downloaded * 100 / fileSize with the product in 64 bits, truncated; 0 for an unknown size.
unsigned PercentDone(LONG downloaded, LONG fileSize);

// The speed text is computed on the first notice, then only when the plain time since the
// start is a multiple of 37 ms; this thins out the formatting on the hot path.
bool SpeedDue(bool shownBefore, DWORD now, DWORD startTick);

// Kilobytes (1024 bytes) per second over this run's active time: the bytes received in this
// run over (now - start - paused). False when no active time has passed yet (no speed to show).
bool ComputeSpeed(LONG downloaded, LONG resumeBase, DWORD now, DWORD startTick, DWORD pausedTime,
                  double* kbPerSecond);

// "%0.1f  KB/S".
std::wstring FormatSpeed(double kbPerSecond);
