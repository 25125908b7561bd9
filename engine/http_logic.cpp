#include "engine/http_logic.h"

#include "framework/strings.h"

#include <cctype>
#include <climits>
#include <cstring>
#include <cwctype>

std::vector<std::wstring> BuildRequestLines(const std::wstring& host, const std::wstring& urlDir,
                                            const std::wstring& fileName, int rangeStart,
                                            int rangeEnd) {
    std::vector<std::wstring> lines;
    lines.push_back(FormatW(L"GET %ls%ls HTTP/1.1\r\n", urlDir.c_str(), fileName.c_str()));
    lines.push_back(FormatW(L"Host: %ls\r\n", host.c_str()));
    lines.push_back(L"Accept: \r\n");
    lines.push_back(FormatW(L"Referer: %ls\r\n", urlDir.c_str()));
    lines.push_back(
        L"User-Agent: Mozilla/4.0 \t\t(compatible; MSIE 5.0; Windows NT; DigExt; DTS Agent;)\r\n");
    if (rangeEnd != 0)
        lines.push_back(FormatW(L"Range: bytes=%d-%d\r\n", rangeStart, rangeEnd));
    else
        lines.push_back(FormatW(L"Range: bytes=%d-\r\n", rangeStart));
    lines.push_back(L"\r\n");
    return lines;
}

bool IsIPv4Address(const std::string& text) {
    int pieces = 0;
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '.') {
            ++i;
            continue;
        }
        size_t j = text.find('.', i);
        if (j == std::string::npos) j = text.size();
        if (++pieces > 4) return false;
        long value = 0;
        for (size_t k = i; k < j; ++k) {
            if (text[k] < '0' || text[k] > '9') return false;
            if (value < 1000) value = value * 10 + (text[k] - '0');
        }
        if (pieces == 1 ? (value < 1 || value > 254) : value > 255) return false;
        i = j;
    }
    return pieces == 4;
}

HeaderVerdict JudgeHeader(const std::string& raw) {
    if (raw.empty()) return HeaderVerdict::Empty;
    if (raw.size() < 4 || raw.compare(raw.size() - 4, 4, "\r\n\r\n") != 0)
        return HeaderVerdict::Unterminated;
    std::wstring text = WidenAnsi(raw);
    if (text.find(L"HTTP/1.1 404") != std::wstring::npos) return HeaderVerdict::NotFound;
    if (text.find(L"Content-Type: application/") == std::wstring::npos)
        return HeaderVerdict::NotApplication;
    return HeaderVerdict::Accepted;
}

int GetContentLength(const char* header) {
    std::wstring text = WidenAnsi(header ? header : "");
    const std::wstring field = L"Content-Length:";
    size_t at = text.find(field);
    if (at == std::wstring::npos) return 0;
    at += field.size();
    size_t stop = text.find(L"\r\n", at);
    std::wstring value = text.substr(at, stop == std::wstring::npos ? std::wstring::npos : stop - at);
    size_t i = 0;
    while (i < value.size() && iswspace(value[i])) ++i;
    bool negative = false;
    if (i < value.size() && (value[i] == L'+' || value[i] == L'-')) negative = value[i++] == L'-';
    long long n = 0;
    for (; i < value.size() && value[i] >= L'0' && value[i] <= L'9'; ++i) {
        n = n * 10 + (value[i] - L'0');
        if (n > static_cast<long long>(INT_MAX) + 1) return -1;
    }
    if (negative) n = -n;
    if (n > INT_MAX || n < INT_MIN) return -1;
    return static_cast<int>(n);
}

int GetStatusCode(const std::string& raw) {
    // "HTTP/1.x ddd ..."
    if (raw.compare(0, 5, "HTTP/") != 0) return -1;
    size_t sp = raw.find(' ');
    if (sp == std::string::npos || sp + 4 > raw.size()) return -1;
    int code = 0;
    for (size_t k = sp + 1; k < sp + 4; ++k) {
        if (!isdigit(static_cast<unsigned char>(raw[k]))) return -1;
        code = code * 10 + (raw[k] - '0');
    }
    if (sp + 4 < raw.size() && raw[sp + 4] != ' ' && raw[sp + 4] != '\r') return -1;
    return code;
}

namespace {
bool ReadNumber(const std::string& s, size_t& i, long long& out) {
    size_t start = i;
    out = 0;
    while (i < s.size() && isdigit(static_cast<unsigned char>(s[i]))) {
        if (out > (LLONG_MAX - 9) / 10) return false;
        out = out * 10 + (s[i++] - '0');
    }
    return i > start;
}
} // namespace

ContentRange GetContentRange(const std::string& raw) {
    ContentRange cr;
    size_t line = 0;
    while (line < raw.size()) {
        size_t eol = raw.find("\r\n", line);
        if (eol == std::string::npos) eol = raw.size();
        std::string l = raw.substr(line, eol - line);
        line = eol + 2;
        const char name[] = "content-range:";
        if (l.size() < sizeof(name) - 1) continue;
        bool match = true;
        for (size_t k = 0; k < sizeof(name) - 1 && match; ++k)
            match = tolower(static_cast<unsigned char>(l[k])) == name[k];
        if (!match) continue;
        size_t i = sizeof(name) - 1;
        while (i < l.size() && (l[i] == ' ' || l[i] == '\t')) ++i;
        if (l.compare(i, 6, "bytes ") != 0) return cr;
        i += 6;
        while (i < l.size() && l[i] == ' ') ++i;
        long long a, b, t = -1;
        if (!ReadNumber(l, i, a) || i >= l.size() || l[i++] != '-') return cr;
        if (!ReadNumber(l, i, b) || i >= l.size() || l[i++] != '/') return cr;
        if (i < l.size() && l[i] == '*')
            ++i;
        else if (!ReadNumber(l, i, t))
            return cr;
        while (i < l.size() && (l[i] == ' ' || l[i] == '\t')) ++i;
        if (i != l.size() || b < a || (t >= 0 && b >= t)) return cr;
        cr.present = true;
        cr.first = a;
        cr.last = b;
        cr.total = t;
        return cr;
    }
    return cr;
}
