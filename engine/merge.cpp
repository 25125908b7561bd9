// The merge of the part files into the package.
#include "engine/downloader.h"
#include "engine/part_file.h"

#include <vector>

namespace {
// Large blocks: the merge is a plain copy, and byte-wise stdio calls made it the slowest step.
constexpr size_t kMergeBlockSize = 1 << 20;
} // namespace

int CMyFile::MergePart(const SegmentInfo& segment, FILE* package) {
    const long long length = static_cast<long long>(segment.end) - segment.start;
    if (length < 0 || !package) return 0;
    if (length == 0) return 1; // an empty segment has no part file
    CFileStream part(_wfopen(segment.partPath.c_str(), L"rb"));
    if (!part.Get()) return 0;
    if (fseek(package, segment.start, SEEK_SET) != 0) return 0;
    std::vector<char> block(kMergeBlockSize);
    long long left = length;
    while (left > 0) {
        const size_t want =
            left < static_cast<long long>(block.size()) ? static_cast<size_t>(left) : block.size();
        const size_t got = fread(block.data(), 1, want, part.Get());
        if (got == 0) return 0; // the part is shorter than its segment, or unreadable
        if (fwrite(block.data(), 1, got, package) != got) return 0;
        left -= got;
    }
    return 1;
}
