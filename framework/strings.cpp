#include "framework/strings.h"

#include <windows.h>
#include <cstdarg>
#include <cwchar>
#include <cwctype>
#include <vector>

std::wstring FormatW(const wchar_t* fmt, ...) {
    std::vector<wchar_t> buf(256);
    for (;;) {
        va_list ap;
        va_start(ap, fmt);
        int n = vswprintf(buf.data(), buf.size(), fmt, ap);
        va_end(ap);
        if (n >= 0 && static_cast<size_t>(n) < buf.size()) return std::wstring(buf.data(), n);
        if (buf.size() > (1u << 20)) return std::wstring();
        buf.resize(buf.size() * 4);
    }
}

std::string NarrowLatin1(const std::wstring& text) {
    std::string out;
    out.reserve(text.size());
    for (wchar_t c : text) {
        if (static_cast<unsigned>(c) > 0xFF) return std::string();
        out.push_back(static_cast<char>(static_cast<unsigned char>(c)));
    }
    return out;
}

std::wstring WidenAnsi(const std::string& bytes) {
    if (bytes.empty()) return std::wstring();
    int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring out(n, L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), &out[0], n);
    return out;
}

std::wstring TrimW(const std::wstring& text) {
    size_t b = 0, e = text.size();
    while (b < e && iswspace(text[b])) ++b;
    while (e > b && iswspace(text[e - 1])) --e;
    return text.substr(b, e - b);
}

std::string ToUtf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                nullptr, nullptr);
    std::string out(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n, nullptr,
                        nullptr);
    return out;
}
