#include "install/zip_reader.h"

#include <climits>
#include <unzip.h>
#include <vector>

namespace {
// minizip's file functions over a Win32 handle. The path is passed through minizip untouched, so
// it can be a wide string (a narrowed path would lose every character outside the code page).
struct CArchiveFile {
    HANDLE h;
    // minizip takes a short read for a value of 0 unless the error test says otherwise, so a
    // record cut off by the end of the file would be read as zeros and garbage.
    bool shortRead = false;
};

CArchiveFile* Stream(voidpf stream) {
    return static_cast<CArchiveFile*>(stream);
}

voidpf ZCALLBACK ZipOpen(voidpf, const void* filename, int mode) {
    if ((mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) != ZLIB_FILEFUNC_MODE_READ) return nullptr;
    HANDLE h = ::CreateFileW(static_cast<const wchar_t*>(filename), GENERIC_READ, FILE_SHARE_READ,
                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return nullptr;
    return new CArchiveFile{h};
}

uLong ZCALLBACK ZipRead(voidpf, voidpf stream, void* buf, uLong size) {
    DWORD got = 0;
    if (!::ReadFile(Stream(stream)->h, buf, size, &got, nullptr)) got = 0;
    if (got != size) Stream(stream)->shortRead = true;
    return got;
}

uLong ZCALLBACK ZipWrite(voidpf, voidpf, const void*, uLong) {
    return 0;
}

ZPOS64_T ZCALLBACK ZipTell(voidpf, voidpf stream) {
    LARGE_INTEGER zero{}, pos{};
    if (!::SetFilePointerEx(Stream(stream)->h, zero, &pos, FILE_CURRENT))
        return static_cast<ZPOS64_T>(-1);
    return static_cast<ZPOS64_T>(pos.QuadPart);
}

long ZCALLBACK ZipSeek(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
    DWORD method;
    switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET:
        method = FILE_BEGIN;
        break;
    case ZLIB_FILEFUNC_SEEK_CUR:
        method = FILE_CURRENT;
        break;
    case ZLIB_FILEFUNC_SEEK_END:
        method = FILE_END;
        break;
    default:
        return -1;
    }
    LARGE_INTEGER move;
    move.QuadPart = static_cast<LONGLONG>(offset);
    return ::SetFilePointerEx(Stream(stream)->h, move, nullptr, method) ? 0 : -1;
}

int ZCALLBACK ZipClose(voidpf, voidpf stream) {
    BOOL ok = ::CloseHandle(Stream(stream)->h);
    delete Stream(stream);
    return ok ? 0 : -1;
}

int ZCALLBACK ZipError(voidpf, voidpf stream) {
    return Stream(stream)->shortRead ? 1 : 0;
}

// The output file; deleted on every path that does not end in Commit().
class COutputFile {
  public:
    COutputFile(const std::wstring& path, DWORD attributes) : m_path(path) {
        m_h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, attributes,
                            nullptr);
    }
    ~COutputFile() {
        if (m_h == INVALID_HANDLE_VALUE) return;
        ::CloseHandle(m_h);
        if (m_bKeep) return;
        // The member's attributes may have made it read-only; a partly written or unverified
        // file must not stay where a later search could take it for the installer.
        ::SetFileAttributesW(m_path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileW(m_path.c_str());
    }
    bool Valid() const { return m_h != INVALID_HANDLE_VALUE; }
    bool Write(const void* data, DWORD size) {
        DWORD written = 0;
        return ::WriteFile(m_h, data, size, &written, nullptr) && written == size;
    }
    void Commit(const ArchiveMember& m) {
        if (::GetFileType(m_h) == FILE_TYPE_DISK)
            ::SetFileTime(m_h, &m.creationTime, &m.accessTime, &m.writeTime);
        m_bKeep = true;
    }

  private:
    std::wstring m_path;
    HANDLE m_h;
    bool m_bKeep = false;
};
} // namespace

bool CZipReader::Open(const std::wstring& path) {
    Close();
    zlib_filefunc64_def io{};
    io.zopen64_file = &ZipOpen;
    io.zread_file = &ZipRead;
    io.zwrite_file = &ZipWrite;
    io.ztell64_file = &ZipTell;
    io.zseek64_file = &ZipSeek;
    io.zclose_file = &ZipClose;
    io.zerror_file = &ZipError;
    unzFile zip = unzOpen2_64(path.c_str(), &io);
    if (!zip) return false;
    unz_global_info64 info;
    if (unzGetGlobalInfo64(zip, &info) != UNZ_OK || info.number_entry > INT_MAX) {
        unzClose(zip);
        return false;
    }
    m_hZip = zip;
    m_nCount = static_cast<int>(info.number_entry);
    m_nCurrent = -1;
    return true;
}

void CZipReader::CloseMember() {
    if (m_nOpenIndex >= 0) unzCloseCurrentFile(m_hZip);
    m_nOpenIndex = -1;
}

void CZipReader::Close() {
    if (!m_hZip) return;
    CloseMember();
    unzClose(m_hZip);
    m_hZip = nullptr;
    m_nCount = 0;
    m_nCurrent = -1;
}

bool CZipReader::GoTo(int index) {
    if (m_nCurrent < 0 || index < m_nCurrent) {
        m_nCurrent = -1;
        if (unzGoToFirstFile(m_hZip) != UNZ_OK) return false;
        m_nCurrent = 0;
    }
    while (m_nCurrent < index) {
        if (unzGoToNextFile(m_hZip) != UNZ_OK) {
            m_nCurrent = -1;
            return false;
        }
        ++m_nCurrent;
    }
    return true;
}

bool CZipReader::GetMember(int index, ArchiveMember& member) {
    if (!m_hZip || index < 0 || index >= m_nCount) return false;
    CloseMember();
    if (!GoTo(index)) return false;

    unz_file_info64 info;
    char name[kMemberNameBuffer];
    if (unzGetCurrentFileInfo64(m_hZip, &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK)
        return false;
    // minizip fills the whole buffer without a terminator when the name does not fit: such a name
    // can't be read as stored.
    if (info.size_filename >= sizeof name) return false;
    if (info.compression_method != 0 && info.compression_method != Z_DEFLATED) return false;
    if (info.compressed_size > INT_MAX || info.uncompressed_size > INT_MAX) return false;

    // Opening the data checks the local header against the central entry.
    if (unzOpenCurrentFile(m_hZip) != UNZ_OK) return false;
    m_nOpenIndex = index;

    ArchiveMember m;
    m.index = index;
    m.name = DecodeMemberName(name, info.size_filename);
    m.attributes = MemberAttributes(static_cast<uint32_t>(info.external_fa));
    ApplyDosTime(static_cast<uint32_t>(info.dosDate), m);
    int extraSize = unzGetLocalExtrafield(m_hZip, nullptr, 0);
    if (extraSize > 0) {
        std::vector<unsigned char> extra(static_cast<size_t>(extraSize));
        int got = unzGetLocalExtrafield(m_hZip, extra.data(), static_cast<unsigned>(extra.size()));
        if (got > 0) ApplyExtendedTimestamp(extra.data(), static_cast<size_t>(got), m);
    }
    m.packedSize = static_cast<int>(info.compressed_size);
    m.size = static_cast<int>(info.uncompressed_size);
    m_open = m;
    m_bEncrypted = (info.flag & 1) != 0;
    member = m;
    return true;
}

bool CZipReader::ExtractMember(int index, const std::wstring& path,
                               const std::function<bool()>& stopRequested) {
    if (!m_hZip || index < 0 || index >= m_nCount) return false;
    if (m_nOpenIndex != index) {
        ArchiveMember ignored;
        if (!GetMember(index, ignored)) return false;
    }
    const ArchiveMember m = m_open;
    if (m.attributes & FILE_ATTRIBUTE_DIRECTORY) {
        // A folder recorded without its trailing '/': made where the file would have gone, so
        // that the members inside it find it.
        ::CreateDirectoryW(path.c_str(), nullptr);
        CloseMember();
        return true;
    }
    // Without the password the data is ciphertext; refused before anything is written.
    if (m_bEncrypted) return false;

    bool ok;
    {
        COutputFile out(path, m.attributes);
        if (!out.Valid()) return false;
        std::vector<char> block(kBlockSize);
        long long total = 0;
        ok = true;
        for (;;) {
            if (stopRequested && stopRequested()) {
                ok = false;
                break;
            }
            int n = unzReadCurrentFile(m_hZip, block.data(), kBlockSize);
            if (n < 0) {
                ok = false;
                break;
            }
            if (n == 0) break;
            if (!out.Write(block.data(), static_cast<DWORD>(n))) {
                ok = false;
                break;
            }
            total += n;
        }
        // minizip compares the CRC-32 only when the whole recorded size came out, and a deflate
        // stream that ends early just looks like the end of the data: both are checked here.
        if (ok && total != m.size) ok = false;
        int closed = unzCloseCurrentFile(m_hZip);
        m_nOpenIndex = -1;
        if (closed != UNZ_OK) ok = false;
        if (ok) out.Commit(m);
    }
    return ok;
}
