#include "engine/segment_response.h"

#include "engine/http_logic.h"

#include <algorithm>

BodyGrant AcceptSegmentBody(const std::string& raw, int offset, int need, int packageSize) {
    BodyGrant g;
    if (need <= 0 || offset < 0) return g;
    const int status = GetStatusCode(raw);
    if (status == 206) {
        ContentRange cr = GetContentRange(raw);
        if (!cr.present || cr.first != offset) return g;
        if (cr.total >= 0 && cr.total != packageSize) return g;
        // A server that sends more than its range announces must not have the extra bytes taken
        // for the next ones of the package.
        const long long announced = cr.last - cr.first + 1;
        g.accepted = true;
        g.take = static_cast<int>(std::min<long long>(need, announced));
        return g;
    }
    if (status == 200 && offset == 0) {
        const int length = GetContentLength(raw.c_str());
        if (length < 0 || (length > 0 && length != packageSize)) return g;
        g.accepted = true;
        g.take = length > 0 ? std::min(need, length) : need;
        return g;
    }
    return g;
}
