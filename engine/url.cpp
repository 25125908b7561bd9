#include "engine/url.h"

#include "framework/strings.h"

void SplitUrl(std::wstring url, std::wstring& host, std::wstring& urlDir, std::wstring& fileName) {
    url = TrimW(url);
    std::wstring rest = url;
    const std::wstring scheme = L"http://";
    size_t at = rest.find(scheme);
    if (at != std::wstring::npos) rest.erase(0, at + scheme.size());
    size_t slash = rest.find(L'/');
    host = slash == std::wstring::npos ? std::wstring() : rest.substr(0, slash);
    size_t last = url.rfind(L'/');
    if (last == std::wstring::npos) {
        urlDir.clear();
        fileName = url;
    } else {
        urlDir = url.substr(0, last + 1);
        fileName = url.substr(last + 1);
    }
}
