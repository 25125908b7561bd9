#include "engine/http.h"

#include "engine/config.h"
#include "engine/stop.h"
#include "framework/strings.h"

#include <cstring>

SOCKET OpenConnection(const std::wstring& host, int port, CSocketRegistry* registry) {
    SOCKET s = ::socket(AF_INET, SOCK_STREAM, 0);
    if (s == INVALID_SOCKET) return INVALID_SOCKET;
    if (registry && !registry->Add(s)) return INVALID_SOCKET;
    auto fail = [&]() {
        if (registry)
            registry->Close(s);
        else
            ::closesocket(s);
        return INVALID_SOCKET;
    };
    std::string name = NarrowLatin1(host);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    if (IsIPv4Address(name)) {
        addr.sin_addr.s_addr = ::inet_addr(kFallbackAddress);
        addr.sin_port = ::htons(kFallbackPort);
    } else {
        hostent* he = ::gethostbyname(name.c_str());
        if (!he || !he->h_addr_list || !he->h_addr_list[0] || he->h_addrtype != AF_INET)
            return fail();
        size_t len = he->h_length;
        if (len > sizeof(addr.sin_addr)) len = sizeof(addr.sin_addr);
        memcpy(&addr.sin_addr, he->h_addr_list[0], len);
        addr.sin_port = ::htons(static_cast<u_short>(port));
    }
    if (::connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0) return fail();
    return s;
}

BOOL SendLine(SOCKET s, const std::wstring& line) {
    std::string bytes = NarrowLatin1(line);
    size_t sent = 0;
    while (sent < bytes.size()) {
        int n = ::send(s, bytes.data() + sent, static_cast<int>(bytes.size() - sent), 0);
        if (n == SOCKET_ERROR || n <= 0) return FALSE;
        sent += n;
    }
    return TRUE;
}

int ReceiveHeader(SOCKET s, char* buffer) {
    int n = 0;
    while (n < kHeaderBufferSize) {
        char c;
        int r = ::recv(s, &c, 1, 0);
        if (r <= 0) break;
        buffer[n++] = c;
        if (n >= 4 && memcmp(buffer + n - 4, "\r\n\r\n", 4) == 0) break;
    }
    buffer[n] = '\0';
    return n;
}

void SetReceiveTimeout(SOCKET s, int ms) {
    DWORD value = static_cast<DWORD>(ms);
    ::setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&value), sizeof(value));
}

BOOL CHttpGet::SendHttpHeader(SOCKET s, const std::wstring& host, const std::wstring& urlDir,
                              const std::wstring& fileName, int rangeStart, int rangeEnd,
                              HttpResponseHead* head) {
    for (const std::wstring& line : BuildRequestLines(host, urlDir, fileName, rangeStart, rangeEnd))
        if (!SendLine(s, line)) return FALSE;
    char buffer[kHeaderBufferSize + 1];
    int n = ReceiveHeader(s, buffer);
    std::string raw(buffer, n);
    if (JudgeHeader(raw) != HeaderVerdict::Accepted) return FALSE;
    int length = GetContentLength(buffer);
    if (head) {
        head->raw = raw;
        head->contentLength = length;
    } else {
        m_nContentLength = length;
    }
    return TRUE;
}
