#pragma once
// The ZIP reader over minizip (container) and zlib (raw inflate), as the unzip thread needs it:
// members looked up by index walking forward, each written to a file of its own.
#include "install/member.h"

#include <functional>
#include <string>

class CZipReader {
  public:
    CZipReader() = default;
    CZipReader(const CZipReader&) = delete;
    CZipReader& operator=(const CZipReader&) = delete;
    virtual ~CZipReader() { Close(); }

    // Opens an existing file for reading (other readers allowed) and reads the central-directory
    // summary. False when the file can't be opened or is no readable single-volume ZIP archive.
    bool Open(const std::wstring& path);
    // The member count recorded in the end-of-central-directory record.
    int GetMemberCount() const { return m_nCount; }
    // Looks the member up (one step forward from the last one; an earlier index starts again from
    // the first) and checks its local header. False when the index is out of range, the entry or
    // its local header can't be read or disagree, the method is neither stored nor deflate, the
    // stored name does not fit the name buffer, or a size does not fit 31 bits.
    bool GetMember(int index, ArchiveMember& member);
    // Writes the member's data to a new file at path, created with the member's attributes, and
    // sets its times. False on a read, inflate or write error, a data size other than the recorded
    // one, a CRC-32 mismatch, an encrypted member, or when stopRequested says so between blocks;
    // the partly written file is then deleted. A member with the folder attribute writes no file:
    // the folder is created at path instead.
    bool ExtractMember(int index, const std::wstring& path,
                       const std::function<bool()>& stopRequested = nullptr);
    // Closes the member in progress and the file. Does nothing on a reader that never opened.
    void Close();

    // Block size of the copy.
    static const unsigned kBlockSize = 16384;

  private:
    bool GoTo(int index);
    void CloseMember();

    void* m_hZip = nullptr; // unzFile
    int m_nCount = 0;
    int m_nCurrent = -1;   // member minizip stands on, -1 before the first look-up
    int m_nOpenIndex = -1; // member whose data is open after GetMember, -1 if none
    ArchiveMember m_open;  // what GetMember found for m_nOpenIndex
    bool m_bEncrypted = false;
};
