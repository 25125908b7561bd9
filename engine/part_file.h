#pragma once
// The part files of a download on disk.
#include <cstdio>
#include <string>

// The file's size as the file system reports it; -1 when there is none or a folder is in its
// place.
long long PartFileSize(const std::wstring& path);

// Opens a part file for reading and writing without newline translation: "r+b" when a file is
// there (its bytes stay), "w+b" otherwise. nullptr when it can't be opened (a folder, a locked
// file).
FILE* OpenPartFile(const std::wstring& path);

// The bytes an earlier run left for a segment of `length` bytes. A file that can't be a prefix
// of the segment is deleted: the segment starts afresh.
int MeasureExistingPart(const std::wstring& path, int length);

// One C runtime stream, closed on every path.
class CFileStream {
  public:
    explicit CFileStream(FILE* fp = nullptr) : m_fp(fp) {}
    ~CFileStream() { Close(); }
    CFileStream(const CFileStream&) = delete;
    CFileStream& operator=(const CFileStream&) = delete;
    void Reset(FILE* fp) {
        Close();
        m_fp = fp;
    }
    FILE* Get() const { return m_fp; }
    // 0 on success, as fclose.
    int Close() {
        if (!m_fp) return 0;
        int r = fclose(m_fp);
        m_fp = nullptr;
        return r;
    }

  private:
    FILE* m_fp;
};
