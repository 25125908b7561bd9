// Which response bodies a segment worker takes, and its reconnect back-off.
#include "engine/backoff.h"
#include "engine/segment_response.h"

#include <gtest/gtest.h>

namespace {
std::string Head(const char* status, const char* fields) {
    return std::string("HTTP/1.1 ") + status + "\r\nContent-Type: application/zip\r\n" + fields +
           "\r\n";
}
} // namespace

TEST(AcceptSegmentBody, Cases) {
    const int size = 10000;
    struct Case {
        const char* name;
        std::string raw;
        int offset, need;
        bool accepted;
        int take;
    } cases[] = {
        {"206 exact",
         Head("206 Partial Content",
              "Content-Length: 4000\r\nContent-Range: bytes 1000-4999/10000\r\n"),
         1000, 4000, true, 4000},
        {"206 open range, first byte only",
         Head("206 Partial Content", "Content-Range: bytes 0-9999/10000\r\n"), 0, 1, true, 1},
        {"206 shorter than asked",
         Head("206 Partial Content", "Content-Range: bytes 1000-1499/10000\r\n"), 1000, 4000, true,
         500},
        {"206 unknown total", Head("206 Partial Content", "Content-Range: bytes 1000-4999/*\r\n"),
         1000, 4000, true, 4000},
        {"206 field name in lower case",
         Head("206 Partial Content", "content-range: bytes 5-9/10000\r\n"), 5, 5, true, 5},
        {"206 other start", Head("206 Partial Content", "Content-Range: bytes 1100-5099/10000\r\n"),
         1000, 4000, false, 0},
        {"206 from 0 for a later offset",
         Head("206 Partial Content", "Content-Range: bytes 0-9999/10000\r\n"), 1000, 4000, false,
         0},
        {"206 another package size",
         Head("206 Partial Content", "Content-Range: bytes 1000-4999/20000\r\n"), 1000, 4000, false,
         0},
        {"206 without Content-Range", Head("206 Partial Content", "Content-Length: 4000\r\n"), 1000,
         4000, false, 0},
        {"206 malformed Content-Range",
         Head("206 Partial Content", "Content-Range: bytes 1000-/10000\r\n"), 1000, 4000, false, 0},
        {"206 range beyond the total",
         Head("206 Partial Content", "Content-Range: bytes 1000-10000/10000\r\n"), 1000, 4000,
         false, 0},
        {"200 for offset 0", Head("200 OK", "Content-Length: 10000\r\n"), 0, 3333, true, 3333},
        {"200 without length", Head("200 OK", ""), 0, 3333, true, 3333},
        {"200 for a later offset", Head("200 OK", "Content-Length: 10000\r\n"), 3333, 3333, false,
         0},
        {"200 of another size", Head("200 OK", "Content-Length: 9999\r\n"), 0, 3333, false, 0},
        {"200 with a broken length", Head("200 OK", "Content-Length: 99999999999\r\n"), 0, 3333,
         false, 0},
        {"416", Head("416 Range Not Satisfiable", "Content-Range: bytes */10000\r\n"), 1000, 4000,
         false, 0},
        {"302", Head("302 Found", "Location: http://x/\r\n"), 0, 4000, false, 0},
        {"HTTP/1.0 404", Head("404 Not Found", "Content-Length: 10000\r\n"), 0, 4000, false, 0},
        {"no status line", "Content-Type: application/zip\r\n\r\n", 0, 4000, false, 0},
        {"nothing needed", Head("206 Partial Content", "Content-Range: bytes 0-9/10000\r\n"), 0, 0,
         false, 0},
    };
    for (const Case& c : cases) {
        BodyGrant g = AcceptSegmentBody(c.raw, c.offset, c.need, size);
        EXPECT_EQ(g.accepted, c.accepted) << c.name;
        EXPECT_EQ(g.take, c.take) << c.name;
    }
}

TEST(Backoff, DoublesToTheCeilingAndResetsAfterData) {
    CBackoff b;
    std::vector<unsigned> waits;
    for (int i = 0; i < 8; ++i)
        waits.push_back(b.Next());
    EXPECT_EQ(waits, (std::vector<unsigned>{1000, 2000, 4000, 8000, 16000, 30000, 30000, 30000}));
    b.Reset();
    EXPECT_EQ(b.Next(), 0u); // right after a connection that delivered data
    EXPECT_EQ(b.Next(), 1000u);
    EXPECT_EQ(b.Next(), 2000u);
}
