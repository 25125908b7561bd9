#pragma once
// The framework's file finder: one directory listing, entry by entry.
//
// As callers of this kind of finder expect, FindNextFile steps onto the next entry and reports
// whether another one follows, so the entry it stepped onto is readable even when it returns FALSE:
//     BOOL more = finder.FindFile(pattern);
//     while (more) { more = finder.FindNextFile(); ... use the entry ... }
#include <windows.h>
#include <string>

class CFileFind {
  public:
    CFileFind() = default;
    CFileFind(const CFileFind&) = delete;
    CFileFind& operator=(const CFileFind&) = delete;
    virtual ~CFileFind() { Close(); }

    // Starts a listing; nullptr lists "*.*" of the current folder. FALSE when the pattern is
    // longer than 259 characters, or the folder is missing or can't be listed.
    BOOL FindFile(const wchar_t* pstrName = nullptr);
    // Steps onto the next entry. TRUE while another entry follows it.
    BOOL FindNextFile();
    void Close();

    BOOL IsDots() const;
    BOOL IsDirectory() const { return MatchesMask(FILE_ATTRIBUTE_DIRECTORY); }
    BOOL MatchesMask(DWORD mask) const;
    std::wstring GetFileName() const;
    // The fully qualified path of the entry, with backslashes.
    std::wstring GetFilePath() const;
    // The fully qualified folder being listed, without a trailing separator.
    const std::wstring& GetRoot() const { return m_strRoot; }

  private:
    HANDLE m_hContext = INVALID_HANDLE_VALUE;
    WIN32_FIND_DATAW m_found{};
    WIN32_FIND_DATAW m_next{};
    bool m_bFound = false; // m_found holds the entry last stepped onto
    bool m_bNext = false;  // m_next holds the entry that follows it
    std::wstring m_strRoot;
};
