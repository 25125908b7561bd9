#include "framework/filefind.h"

#include <vector>

BOOL CFileFind::FindFile(const wchar_t* pstrName) {
    Close();
    std::wstring pattern = pstrName ? pstrName : L"*.*";
    if (pattern.size() >= MAX_PATH) {
        ::SetLastError(ERROR_BAD_ARGUMENTS);
        return FALSE;
    }
    m_hContext = ::FindFirstFileW(pattern.c_str(), &m_next);
    if (m_hContext == INVALID_HANDLE_VALUE) return FALSE;
    m_bNext = true;

    // The root comes from the fully qualified pattern, so every path handed out is absolute and
    // uses backslashes whatever form the caller's pattern had (doubled separators collapse too).
    std::vector<wchar_t> full(MAX_PATH);
    DWORD n =
        ::GetFullPathNameW(pattern.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (n >= full.size()) {
        full.resize(n + 1);
        n = ::GetFullPathNameW(pattern.c_str(), static_cast<DWORD>(full.size()), full.data(),
                               nullptr);
    }
    if (n == 0 || n >= full.size()) {
        Close();
        return FALSE;
    }
    m_strRoot.assign(full.data(), n);
    size_t cut = m_strRoot.find_last_of(L"\\/");
    m_strRoot.erase(cut == std::wstring::npos ? 0 : cut);
    return TRUE;
}

BOOL CFileFind::FindNextFile() {
    if (m_hContext == INVALID_HANDLE_VALUE || !m_bNext) return FALSE;
    m_found = m_next;
    m_bFound = true;
    m_bNext = ::FindNextFileW(m_hContext, &m_next) != FALSE;
    return m_bNext ? TRUE : FALSE;
}

void CFileFind::Close() {
    if (m_hContext != INVALID_HANDLE_VALUE) ::FindClose(m_hContext);
    m_hContext = INVALID_HANDLE_VALUE;
    m_bFound = m_bNext = false;
    m_strRoot.clear();
}

BOOL CFileFind::IsDots() const {
    if (!m_bFound) return FALSE;
    const wchar_t* n = m_found.cFileName;
    return (n[0] == L'.' && (n[1] == 0 || (n[1] == L'.' && n[2] == 0))) ? TRUE : FALSE;
}

BOOL CFileFind::MatchesMask(DWORD mask) const {
    return (m_bFound && (m_found.dwFileAttributes & mask) != 0) ? TRUE : FALSE;
}

std::wstring CFileFind::GetFileName() const {
    return m_bFound ? std::wstring(m_found.cFileName) : std::wstring();
}

std::wstring CFileFind::GetFilePath() const {
    if (!m_bFound) return std::wstring();
    std::wstring path = m_strRoot;
    if (path.empty() || (path.back() != L'\\' && path.back() != L'/')) path += L'\\';
    return path + m_found.cFileName;
}
