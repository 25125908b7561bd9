#pragma once
#include <string>

// Splits a mirror URL into the host text, the URL up to and including its last '/', and the
// text after it. Only a case-sensitive "http://" is stripped for the host; no port is read.
void SplitUrl(std::wstring url, std::wstring& host, std::wstring& urlDir, std::wstring& fileName);
