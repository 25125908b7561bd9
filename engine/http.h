#pragma once
// The client side of one ranged GET on a plain blocking socket.
#include <winsock2.h>
#include <windows.h>
#include <string>

#include "engine/http_logic.h"

class CSocketRegistry;

// What a segment worker learns of an accepted response header.
struct HttpResponseHead {
    std::string raw; // the header bytes up to and including the blank line
    int contentLength = 0;
};

class CHttpGet {
public:
    CHttpGet() = default;
    virtual ~CHttpGet() = default;

    // Sends the request and reads and judges the response header; TRUE when it was accepted.
    // With head == nullptr (the probe) the Content-Length goes to m_nContentLength; a worker
    // passes its own head, so that no two threads write that field. On return the socket is
    // positioned at the first body byte.
    BOOL SendHttpHeader(SOCKET s, const std::wstring& host, const std::wstring& urlDir,
                        const std::wstring& fileName, int rangeStart, int rangeEnd,
                        HttpResponseHead* head = nullptr);

    int m_nContentLength = 0;
};

// A connected TCP socket, or INVALID_SOCKET. A dotted IPv4 host goes to the fallback server,
// whatever the text and the port say. With a registry the socket is registered as soon as it
// exists, so that a stop request can interrupt the connect; the caller closes it through the
// registry.
SOCKET OpenConnection(const std::wstring& host, int port, CSocketRegistry* registry = nullptr);

// Sends the narrowed line whole (looping over short sends); FALSE on a socket error.
BOOL SendLine(SOCKET s, const std::wstring& line);

// Reads the header one byte at a time into buffer (kHeaderBufferSize + 1 bytes), up to the blank
// line, a full buffer, the peer's close, an error or the receive time-out; stores a NUL after the
// last byte and returns the number of bytes stored. No body byte is consumed.
int ReceiveHeader(SOCKET s, char* buffer);

// SO_RCVTIMEO in milliseconds.
void SetReceiveTimeout(SOCKET s, int ms);
