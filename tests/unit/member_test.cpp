// Member names, attributes and times.
#include "install/member.h"
#include "framework/strings.h"

#include <gtest/gtest.h>

namespace {
unsigned long long Ticks(const FILETIME& ft) {
    return (static_cast<unsigned long long>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}
const unsigned long long kEpochTicks = 116444736000000000ULL;
} // namespace

TEST(ClassifyMemberName, Cases) {
    using K = MemberNameKind;
    struct Case {
        std::wstring name;
        K kind;
    } cases[] = {
        {L"setup.exe", K::File},
        {L"app/setup.exe", K::File},
        {L"app/", K::Folder},
        {L"app/sub/", K::Folder},
        {L"a..b/c.txt", K::File},
        {L".hidden", K::File},
        {L"app\\setup.exe", K::File},
        {L"资料/说明.txt", K::File},
        {L"console.txt", K::File},
        {L"com10.txt", K::File},
        {L"lpt.txt", K::File},
        {L"nul_x", K::File},
        {L"", K::Skip},
        {std::wstring(L"\0abc", 4), K::Skip},
        {std::wstring(L"a\0b", 3), K::Unsafe},
        {L"../x", K::Unsafe},
        {L"..\\x", K::Unsafe},
        {L"a/../../x", K::Unsafe},
        {L"a/..", K::Unsafe},
        {L"..", K::Unsafe},
        {L"../", K::Unsafe},
        {L"./x", K::Unsafe},
        {L"a/./x", K::Unsafe},
        {L"/abs", K::Unsafe},
        {L"\\abs", K::Unsafe},
        {L"/", K::Unsafe},
        {L"\\\\server\\share\\x", K::Unsafe},
        {L"\\\\?\\C:\\x", K::Unsafe},
        {L"//?/C:/x", K::Unsafe},
        {L"C:\\x", K::Unsafe},
        {L"C:x", K::Unsafe},
        {L"c:/x", K::Unsafe},
        {L"a.txt:stream", K::Unsafe},
        {L"a.txt::$DATA", K::Unsafe},
        {L"setup.exe.", K::Unsafe},
        {L"setup.exe ", K::Unsafe},
        {L"dir./x", K::Unsafe},
        {L"dir /x", K::Unsafe},
        {L"... ", K::Unsafe},
        {L"a//b", K::Unsafe},
        {L"a//", K::Unsafe},
        {L"a\\", K::Unsafe},
        {L"CON", K::Unsafe},
        {L"con", K::Unsafe},
        {L"nul.txt", K::Unsafe},
        {L"NUL.tar.gz", K::Unsafe},
        {L"aux .txt", K::Unsafe},
        {L"sub/PRN/", K::Unsafe},
        {L"COM1", K::Unsafe},
        {L"com9.log", K::Unsafe},
        {L"LPT1", K::Unsafe},
        {L"lpt0", K::Unsafe},
        {L"COM\u00B9", K::Unsafe},
        {L"CONIN$", K::Unsafe},
        {L"conout$.txt", K::Unsafe},
        {L"a<b", K::Unsafe},
        {L"a>b", K::Unsafe},
        {L"a\"b", K::Unsafe},
        {L"a|b", K::Unsafe},
        {L"a?b", K::Unsafe},
        {L"a*b", K::Unsafe},
        {L"a\x01"
         L"b",
         K::Unsafe},
        {L"a\tb", K::Unsafe},
        {L"a\x7f"
         L"b",
         K::Unsafe},
    };
    for (const Case& c : cases)
        EXPECT_EQ(static_cast<int>(ClassifyMemberName(c.name)), static_cast<int>(c.kind))
            << ToUtf8(c.name);
}

TEST(DecodeMemberName, AnsiCodePage) {
    EXPECT_EQ(DecodeMemberName("app/setup.exe", 13), L"app/setup.exe");
    EXPECT_EQ(DecodeMemberName("", 0), L"");
    // Embedded NULs are kept for the name check.
    EXPECT_EQ(DecodeMemberName("a\0b", 3), std::wstring(L"a\0b", 3));
    if (::GetACP() != 936) GTEST_SKIP() << "needs code page 936, have " << ::GetACP();
    // "资料/说明.txt" in GBK.
    const char gbk[] = "\xD7\xCA\xC1\xCF/\xCB\xB5\xC3\xF7.txt";
    EXPECT_EQ(DecodeMemberName(gbk, sizeof gbk - 1), L"资料/说明.txt");
}

TEST(MemberAttributes, Rule) {
    const DWORD N = FILE_ATTRIBUTE_NORMAL, RO = FILE_ATTRIBUTE_READONLY,
                D = FILE_ATTRIBUTE_DIRECTORY, A = FILE_ATTRIBUTE_ARCHIVE, H = FILE_ATTRIBUTE_HIDDEN,
                S = FILE_ATTRIBUTE_SYSTEM;
    struct Case {
        uint32_t external;
        DWORD attributes;
    } cases[] = {
        {0, N | RO},          // no Unix mode recorded: read-only
        {0x20, N | A | RO},   // DOS archive bit only
        {0x81A40000, N},      // -rw-r--r--
        {0x81240000, N | RO}, // -r--r--r--
        {0x81A40001, N | RO}, // DOS read-only bit
        {0x81A40002, N | H},
        {0x81A40004, N | S},
        {0x81A40020, N | A},
        {0x41ED0000, N | D}, // drwxr-xr-x
        {0x41ED0010, N | D},
        {0x00000010, N | D | RO},         // DOS folder without a Unix mode
        {0x416D0000, N | D | RO},         // dr-xr-xr-x
        {0x81A40027, N | A | H | S | RO}, // every DOS bit
    };
    for (const Case& c : cases)
        EXPECT_EQ(MemberAttributes(c.external), c.attributes) << std::hex << c.external;
}

TEST(MemberTimes, DosTimeIsTakenAsUtc) {
    ArchiveMember m;
    // 2021-06-15 12:30:40: date (41 << 9 | 6 << 5 | 15), time (12 << 11 | 30 << 5 | 20).
    uint32_t dos = (static_cast<uint32_t>(41 << 9 | 6 << 5 | 15) << 16) | (12 << 11 | 30 << 5 | 20);
    ApplyDosTime(dos, m);
    const unsigned long long expected = 1623760240ULL * 10000000ULL + kEpochTicks;
    EXPECT_EQ(Ticks(m.writeTime), expected);
    EXPECT_EQ(Ticks(m.accessTime), expected);
    EXPECT_EQ(Ticks(m.creationTime), expected);
    // Month 13 is no date: the times stay zero (left unchanged by SetFileTime).
    ApplyDosTime(static_cast<uint32_t>(41 << 9 | 13 << 5 | 1) << 16, m);
    EXPECT_EQ(Ticks(m.writeTime), 0u);
}

TEST(MemberTimes, UnixTime) {
    EXPECT_EQ(Ticks(UnixTimeToFileTime(0)), kEpochTicks);
    EXPECT_EQ(Ticks(UnixTimeToFileTime(1600000000)), 1600000000ULL * 10000000ULL + kEpochTicks);
    EXPECT_EQ(Ticks(UnixTimeToFileTime(-86400)), kEpochTicks - 86400ULL * 10000000ULL);
}

TEST(MemberTimes, ExtendedTimestampField) {
    auto t = [](unsigned long long unix) { return unix * 10000000ULL + kEpochTicks; };
    struct Case {
        std::string extra;
        unsigned long long write, access, creation; // 1 = unchanged
    } cases[] = {
        // flags 7: mtime 100, atime 200, ctime 300
        {std::string("UT\x0d\x00\x07", 5) + std::string("\x64\0\0\0\xc8\0\0\0\x2c\x01\0\0", 12),
         t(100), t(200), t(300)},
        // flags 1 (mtime only) after an unrelated block
        {std::string("\x0a\x00\x04\x00"
                     "abcd"
                     "UT\x05\x00\x01"
                     "\x64\0\0\0",
                     17),
         t(100), 1, 1},
        // flags 2: atime is the first value present
        {std::string("UT\x05\x00\x02\xc8\0\0\0", 9), 1, t(200), 1},
        // flags say mtime and atime, the block holds mtime only (a central-directory copy)
        {std::string("UT\x05\x00\x03\x64\0\0\0", 9), t(100), 1, 1},
        // block longer than the field: ignored
        {std::string("UT\x0d\x00\x07\x64\0\0\0", 9), 1, 1, 1},
        {std::string("UT\x00\x00", 4), 1, 1, 1},
        {std::string("U", 1), 1, 1, 1},
    };
    for (const Case& c : cases) {
        ArchiveMember m;
        m.writeTime = m.accessTime = m.creationTime = FILETIME{1, 0};
        ApplyExtendedTimestamp(reinterpret_cast<const unsigned char*>(c.extra.data()),
                               c.extra.size(), m);
        EXPECT_EQ(Ticks(m.writeTime), c.write) << c.extra.size();
        EXPECT_EQ(Ticks(m.accessTime), c.access) << c.extra.size();
        EXPECT_EQ(Ticks(m.creationTime), c.creation) << c.extra.size();
    }
}
