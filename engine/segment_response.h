#pragma once
// Which response bodies a segment worker may write into its part file.
#include <string>

struct BodyGrant {
    bool accepted = false;
    int take = 0; // body bytes that belong to the segment, at most `need`
};

// raw: the response header that SendHttpHeader accepted. offset: the first byte asked for;
// need: the bytes the segment still lacks from there (> 0); packageSize: the size the probe
// reported. Accepted are a 206 whose Content-Range starts at offset (and, when it gives a total,
// describes a package of packageSize bytes), and a 200 for offset 0 (the whole package; a
// Content-Length, when present, must be packageSize). Anything else is another range, another
// file or an error page: none of it may reach the part file.
BodyGrant AcceptSegmentBody(const std::string& raw, int offset, int need, int packageSize);
