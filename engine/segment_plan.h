#pragma once
// The platform-free half of the segmented download: how a package is cut into segments, where
// their part files live, and what an earlier run's part file is worth.
#include <string>
#include <vector>

struct SegmentRange {
    int start = 0; // first byte
    int end = 0;   // one past the last byte
};

// count segments of size / count bytes each; the last one also takes the remainder.
std::vector<SegmentRange> PlanSegments(int size, int count);

// localDir (ending with a backslash) + "<fileName>_<index>".
std::wstring PartFilePath(const std::wstring& localDir, const std::wstring& fileName, int index);

struct PartPlan {
    int existing = 0;     // bytes of the segment already on disk
    bool discard = false; // the file can't be a prefix of this segment: delete it, start afresh
};
// sizeOnDisk < 0: no part file (or a folder in its place).
PartPlan PlanPart(long long sizeOnDisk, int length);
