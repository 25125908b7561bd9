// URL split, IPv4 test, request bytes and response-header judgement.
#include "engine/http_logic.h"
#include "engine/url.h"
#include "framework/strings.h"

#include <gtest/gtest.h>

TEST(SplitUrl, Cases) {
    struct Case {
        const wchar_t* url;
        const wchar_t* host;
        const wchar_t* dir;
        const wchar_t* file;
    } cases[] = {
        {L"http://h.example/Off2/kelqOffLine.zip", L"h.example", L"http://h.example/Off2/", L"kelqOffLine.zip"},
        {L" \t http://h/p/f.zip \t ", L"h", L"http://h/p/", L"f.zip"},
        {L"h/f.zip", L"h", L"h/", L"f.zip"},
        {L"http://h", L"", L"http://", L"h"},
        {L"HTTP://h/f", L"HTTP:", L"HTTP://h/", L"f"},
        {L"noslash", L"", L"", L"noslash"},
        {L"x http://h/f", L"h", L"x http://h/", L"f"},
    };
    for (const Case& c : cases) {
        std::wstring host = L"old", dir = L"old", file = L"old";
        SplitUrl(c.url, host, dir, file);
        EXPECT_EQ(host, c.host) << ToUtf8(c.url);
        EXPECT_EQ(dir, c.dir) << ToUtf8(c.url);
        EXPECT_EQ(file, c.file) << ToUtf8(c.url);
    }
}

TEST(IsIPv4Address, Cases) {
    for (const char* yes : {"1.2.3.4", "254.0.0.255", "01.2.3.4", "1..2.3.4", ".1.2.3.4.", "203.0.113.80"})
        EXPECT_TRUE(IsIPv4Address(yes)) << yes;
    for (const char* no : {"0.1.2.3", "255.1.1.1", "1.2.3.256", "1.2.3", "1.2.3.4.5", "1.2.3.a",
                           "mirror1.kelq.example", "", "...", "1.2.3.-4", "1.2.3.99999999999"})
        EXPECT_FALSE(IsIPv4Address(no)) << no;
}

TEST(RequestLines, ExactBytes) {
    auto join = [](const std::vector<std::wstring>& lines) {
        std::string out;
        for (auto& l : lines) out += NarrowLatin1(l);
        return out;
    };
    const std::string head = "GET http://h/Off2/f.zip HTTP/1.1\r\nHost: h\r\nAccept: \r\n"
                             "Referer: http://h/Off2/\r\n"
                             "User-Agent: Mozilla/4.0 \t\t(compatible; MSIE 5.0; Windows NT; "
                             "DigExt; DTS Agent;)\r\n";
    EXPECT_EQ(join(BuildRequestLines(L"h", L"http://h/Off2/", L"f.zip", 0, 0)),
              head + "Range: bytes=0-\r\n\r\n");
    EXPECT_EQ(join(BuildRequestLines(L"h", L"http://h/Off2/", L"f.zip", 100, 199)),
              head + "Range: bytes=100-199\r\n\r\n");
    // A last byte at offset 0 cannot be asked for: rangeEnd 0 is always the open range.
    EXPECT_EQ(join(BuildRequestLines(L"h", L"http://h/Off2/", L"f.zip", 7, 0)),
              head + "Range: bytes=7-\r\n\r\n");
    EXPECT_EQ(BuildRequestLines(L"h", L"d/", L"f", 0, 0).size(), 7u);
}

TEST(JudgeHeader, Cases) {
    const std::string ok = "HTTP/1.1 206 Partial Content\r\nContent-Type: application/zip\r\n"
                           "Content-Length: 10\r\n\r\n";
    struct Case {
        std::string raw;
        HeaderVerdict verdict;
    } cases[] = {
        {ok, HeaderVerdict::Accepted},
        {"", HeaderVerdict::Empty},
        {"HTTP/1.1 404 Not Found\r\nContent-Type: application/zip\r\n\r\n", HeaderVerdict::NotFound},
        {"HTTP/1.0 404 Not Found\r\nContent-Type: application/zip\r\n\r\n", HeaderVerdict::Accepted},
        {"HTTP/1.0 404 Not Found\r\nContent-Type: text/html\r\n\r\n", HeaderVerdict::NotApplication},
        {"HTTP/1.1 200 OK\r\ncontent-type: application/zip\r\n\r\n", HeaderVerdict::NotApplication},
        {"HTTP/1.1 200 OK\r\nContent-Type:application/zip\r\n\r\n", HeaderVerdict::NotApplication},
        {"HTTP/1.1 200 OK\r\nContent-Type: \r\n\r\n", HeaderVerdict::NotApplication},
        {"HTTP/1.1 200 OK\r\nContent-Type: application/zip\r\n", HeaderVerdict::Unterminated},
        {std::string(1024, 'a'), HeaderVerdict::Unterminated},
    };
    for (const Case& c : cases) EXPECT_EQ(JudgeHeader(c.raw), c.verdict) << c.raw;
}

TEST(GetContentLength, Cases) {
    struct Case {
        const char* header;
        int length;
    } cases[] = {
        {"HTTP/1.1 200 OK\r\nContent-Length: 1234\r\n\r\n", 1234},
        {"HTTP/1.1 200 OK\r\n\r\n", 0},
        {"Content-Length:   \t 42\r\n", 42},
        {"Content-Length:+42\r\n", 42},
        {"Content-Length: -42\r\n", -42},
        {"Content-Length: 12abc\r\n", 12},
        {"Content-Length: abc\r\n", 0},
        {"Content-Length: \r\n", 0},
        {"content-length: 55\r\n", 0},
        {"Content-Length: 7", 7},
        {"Content-Length: 2147483647\r\n", 2147483647},
        {"Content-Length: 2147483648\r\n", -1},
        {"Content-Length: 99999999999999999999999\r\n", -1},
        {"Content-Length: 5\r\nContent-Length: 6\r\n", 5},
    };
    for (const Case& c : cases) EXPECT_EQ(GetContentLength(c.header), c.length) << c.header;
}

TEST(Narrowing, Latin1OrNothing) {
    EXPECT_EQ(NarrowLatin1(L"abc\u00ff"), "abc\xff");
    EXPECT_EQ(NarrowLatin1(L"ab\u4e2d"), "");
    EXPECT_EQ(NarrowLatin1(L""), "");
}
