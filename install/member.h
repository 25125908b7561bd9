#pragma once
// What a ZIP member's central and local entries mean on Windows: the decoded name and whether it
// may be written at all, the file attributes and the file times. Plain functions, no file access.
#include <windows.h>
#include <cstdint>
#include <string>

struct ArchiveMember {
    int index = -1;
    std::wstring name; // as stored, '/' separators, decoded from the ANSI code page
    DWORD attributes = FILE_ATTRIBUTE_NORMAL;
    FILETIME accessTime{};
    FILETIME creationTime{};
    FILETIME writeTime{};
    int packedSize = 0;
    int size = 0;
};

// The reader's name buffer, terminator included: longer stored names are refused, not cut.
constexpr size_t kMemberNameBuffer = 260;

// The stored name bytes decoded from the system's ANSI code page (the entry's UTF-8 flag is not
// consulted). Embedded NUL bytes are kept, so that the name check can see them.
std::wstring DecodeMemberName(const char* bytes, size_t length);

enum class MemberNameKind {
    Skip,   // empty, or nothing before a NUL: there is no name to write
    Folder, // ends with '/'
    File,
    Unsafe, // would leave the extraction folder or be rewritten by Windows
};
// Decides what the unzip thread may do with a decoded name. Refused: absolute and UNC paths,
// "\\?\" prefixes, drive prefixes and ':' streams, "." and ".." segments (either separator),
// empty inner segments, segments ending in '.' or ' ', device names (CON, NUL, COM1, ...),
// control characters and < > " | ? *.
MemberNameKind ClassifyMemberName(const std::wstring& name);

// The attribute rule for a member's 32-bit external attributes (Unix mode in the upper half, DOS
// attributes in the lower). No Unix owner-write bit means read-only.
DWORD MemberAttributes(uint32_t external);

// A Unix time (seconds since 1970, UTC) as a file time.
FILETIME UnixTimeToFileTime(int32_t seconds);

// Sets all three times from the entry's DOS date and time (high word date, low word time), taken
// as UTC with no time-zone adjustment. An impossible DOS date leaves the times zero, which
// SetFileTime treats as "leave unchanged".
void ApplyDosTime(uint32_t dosDateTime, ArchiveMember& member);

// Replaces the times that an extended-timestamp ("UT") block of a local extra field carries:
// flag bit 0 last-write, bit 1 last-access, bit 2 creation. Blocks that run past the field's end
// are ignored.
void ApplyExtendedTimestamp(const unsigned char* extra, size_t length, ArchiveMember& member);
