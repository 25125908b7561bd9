#include "install/member.h"

#include <cwctype>

std::wstring DecodeMemberName(const char* bytes, size_t length) {
    if (length == 0) return std::wstring();
    int n = ::MultiByteToWideChar(CP_ACP, 0, bytes, static_cast<int>(length), nullptr, 0);
    if (n <= 0) return std::wstring();
    std::wstring out(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, bytes, static_cast<int>(length), &out[0], n);
    return out;
}

namespace {
bool IsSeparator(wchar_t c) {
    return c == L'/' || c == L'\\';
}

bool IsForbiddenChar(wchar_t c) {
    if (c < 0x20 || c == 0x7F) return true;
    switch (c) {
    case L'<':
    case L'>':
    case L'"':
    case L'|':
    case L'?':
    case L'*':
    case L':': // drive prefixes and alternate data streams
        return true;
    }
    return false;
}

bool EqualsNoCase(const std::wstring& a, const wchar_t* b) {
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
        if (towupper(a[i]) != towupper(b[i])) return false;
    return i == a.size() && !b[i];
}

// Windows opens a device instead of a file for these names in any folder, with any extension and
// with blanks before the extension ("nul .txt").
bool IsDeviceName(const std::wstring& segment) {
    std::wstring stem = segment.substr(0, segment.find(L'.'));
    while (!stem.empty() && stem.back() == L' ')
        stem.pop_back();
    static const wchar_t* const kDevices[] = {L"CON",    L"PRN",     L"AUX",   L"NUL",
                                              L"CONIN$", L"CONOUT$", L"CLOCK$"};
    for (const wchar_t* d : kDevices)
        if (EqualsNoCase(stem, d)) return true;
    if (stem.size() == 4 &&
        (EqualsNoCase(stem.substr(0, 3), L"COM") || EqualsNoCase(stem.substr(0, 3), L"LPT"))) {
        wchar_t n = stem[3];
        // COM0/LPT0 and the superscript digits are devices on current Windows as well.
        return (n >= L'0' && n <= L'9') || n == 0xB9 || n == 0xB2 || n == 0xB3;
    }
    return false;
}

bool IsSafeSegment(const std::wstring& segment) {
    if (segment.empty()) return false; // "a//b": Windows folds it into another name
    if (segment == L"." || segment == L"..") return false;
    // Windows drops trailing dots and blanks: "setup.exe." would be written as setup.exe, and
    // ".. " as "..".
    if (segment.back() == L'.' || segment.back() == L' ') return false;
    for (wchar_t c : segment)
        if (IsForbiddenChar(c)) return false;
    return !IsDeviceName(segment);
}
} // namespace

MemberNameKind ClassifyMemberName(const std::wstring& name) {
    if (name.empty() || name[0] == L'\0') return MemberNameKind::Skip;
    // A leading separator is an absolute path, a UNC path or a "\\?\" prefix.
    if (IsSeparator(name[0])) return MemberNameKind::Unsafe;
    bool folder = name.back() == L'/';
    size_t end = folder ? name.size() - 1 : name.size();
    size_t start = 0;
    for (;;) {
        size_t sep = start;
        while (sep < end && !IsSeparator(name[sep]))
            ++sep;
        if (!IsSafeSegment(name.substr(start, sep - start))) return MemberNameKind::Unsafe;
        if (sep >= end) break;
        start = sep + 1;
    }
    return folder ? MemberNameKind::Folder : MemberNameKind::File;
}

DWORD MemberAttributes(uint32_t external) {
    DWORD a = FILE_ATTRIBUTE_NORMAL;
    if (external & 0x40000000u || external & 0x10u) a |= FILE_ATTRIBUTE_DIRECTORY;
    if (external & 0x20u) a |= FILE_ATTRIBUTE_ARCHIVE;
    if (external & 0x02u) a |= FILE_ATTRIBUTE_HIDDEN;
    if (external & 0x04u) a |= FILE_ATTRIBUTE_SYSTEM;
    if (external & 0x01u || !(external & 0x00800000u)) a |= FILE_ATTRIBUTE_READONLY;
    return a;
}

FILETIME UnixTimeToFileTime(int32_t seconds) {
    // 100 ns ticks from 1601-01-01 to 1970-01-01.
    const int64_t kEpochDelta = 116444736000000000LL;
    uint64_t ticks =
        static_cast<uint64_t>(static_cast<int64_t>(seconds) * 10000000LL + kEpochDelta);
    FILETIME ft;
    ft.dwLowDateTime = static_cast<DWORD>(ticks);
    ft.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    return ft;
}

void ApplyDosTime(uint32_t dosDateTime, ArchiveMember& member) {
    FILETIME ft{};
    if (!::DosDateTimeToFileTime(static_cast<WORD>(dosDateTime >> 16),
                                 static_cast<WORD>(dosDateTime & 0xFFFF), &ft))
        ft = FILETIME{};
    member.accessTime = member.creationTime = member.writeTime = ft;
}

namespace {
uint16_t Get16(const unsigned char* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}
int32_t Get32(const unsigned char* p) {
    return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                                static_cast<uint32_t>(p[2]) << 16 |
                                static_cast<uint32_t>(p[3]) << 24);
}
} // namespace

void ApplyExtendedTimestamp(const unsigned char* extra, size_t length, ArchiveMember& member) {
    size_t pos = 0;
    while (extra && pos + 4 <= length) {
        uint16_t tag = Get16(extra + pos);
        size_t size = Get16(extra + pos + 2);
        const unsigned char* data = extra + pos + 4;
        if (pos + 4 + size > length) return;
        if (tag == 0x5455 && size >= 1) {
            unsigned flags = data[0];
            size_t at = 1;
            FILETIME* slots[] = {&member.writeTime, &member.accessTime, &member.creationTime};
            for (int bit = 0; bit < 3; ++bit) {
                if (!(flags & (1u << bit))) continue;
                if (at + 4 > size) break;
                *slots[bit] = UnixTimeToFileTime(Get32(data + at));
                at += 4;
            }
        }
        pos += 4 + size;
    }
}
