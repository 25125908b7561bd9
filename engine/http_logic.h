#pragma once
// The platform-free half of the HTTP exchange: what goes on the wire and how a response header is
// judged.
#include <string>
#include <vector>

// The seven request lines of one ranged GET, in order, each ending in CR LF. A rangeEnd of 0
// always means the open range from rangeStart.
std::vector<std::wstring> BuildRequestLines(const std::wstring& host, const std::wstring& urlDir,
                                            const std::wstring& fileName, int rangeStart,
                                            int rangeEnd);

// Four decimal pieces split at '.', empty pieces skipped; the first 1..254, the others 0..255.
bool IsIPv4Address(const std::string& text);

enum class HeaderVerdict {
    Accepted,
    Empty,          // nothing arrived
    Unterminated,   // no blank line within the buffer, or the peer stopped before it
    NotFound,       // "HTTP/1.1 404"
    NotApplication, // no "Content-Type: application/"
};
HeaderVerdict JudgeHeader(const std::string& raw);

// The Content-Length value read as wcstol reads it: blanks skipped, a sign taken, digits up to the
// first other character; 0 without digits or without the field. A value that does not fit in 32
// bits gives -1, so that it can never pass for a usable size.
int GetContentLength(const char* header);

// The HTTP status code of the status line, or -1.
int GetStatusCode(const std::string& raw);

struct ContentRange {
    bool present = false;
    long long first = -1, last = -1, total = -1; // total -1 when given as '*'
};
// The "Content-Range: bytes a-b/t" field (name matched without regard to case).
ContentRange GetContentRange(const std::string& raw);
