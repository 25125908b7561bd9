#include "engine/segment_plan.h"

#include "framework/strings.h"

std::vector<SegmentRange> PlanSegments(int size, int count) {
    std::vector<SegmentRange> plan;
    if (count <= 0 || size < 0) return plan;
    const int per = size / count;
    for (int i = 0; i < count; ++i) {
        SegmentRange r;
        r.start = i * per;
        r.end = i == count - 1 ? size : r.start + per;
        plan.push_back(r);
    }
    return plan;
}

std::wstring PartFilePath(const std::wstring& localDir, const std::wstring& fileName, int index) {
    return localDir + FormatW(L"%ls_%d", fileName.c_str(), index);
}

PartPlan PlanPart(long long sizeOnDisk, int length) {
    PartPlan p;
    if (sizeOnDisk < 0) return p;
    // A file longer than its segment was left by a run against a package of another size (or
    // by a writer that wrote whole blocks past the end). Resuming from it would ask for a range
    // that starts beyond the segment and never complete it.
    if (sizeOnDisk > length) {
        p.discard = true;
        return p;
    }
    p.existing = static_cast<int>(sizeOnDisk);
    return p;
}
