// The ZIP reader on small archives written here: look-up order, refused methods, and the stop
// between blocks.
#include "install/zip_reader.h"
#include "framework/strings.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

namespace {
struct StoredMember {
    std::string name;
    std::string data;
    unsigned method = 0; // the recorded method; the data is always stored as is
};

void Put16(std::string& s, unsigned v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& s, unsigned long v) {
    Put16(s, v & 0xFFFF);
    Put16(s, (v >> 16) & 0xFFFF);
}

std::string BuildArchive(const std::vector<StoredMember>& members) {
    std::string out, central;
    for (const StoredMember& m : members) {
        unsigned long crc = crc32(0, reinterpret_cast<const Bytef*>(m.data.data()),
                                  static_cast<uInt>(m.data.size()));
        unsigned long offset = out.size();
        Put32(out, 0x04034B50);
        Put16(out, 20);
        Put16(out, 0);
        Put16(out, m.method);
        Put32(out, 0x52CF63D4); // some DOS date and time
        Put32(out, crc);
        Put32(out, m.data.size());
        Put32(out, m.data.size());
        Put16(out, m.name.size());
        Put16(out, 0);
        out += m.name + m.data;
        Put32(central, 0x02014B50);
        Put16(central, 0x0314);
        Put16(central, 20);
        Put16(central, 0);
        Put16(central, m.method);
        Put32(central, 0x52CF63D4);
        Put32(central, crc);
        Put32(central, m.data.size());
        Put32(central, m.data.size());
        Put16(central, m.name.size());
        for (int i = 0; i < 4; ++i)
            Put16(central, 0); // extra, comment, disk, internal
        Put32(central, 0x81A40000);
        Put32(central, offset);
        central += m.name;
    }
    unsigned long cdOffset = out.size();
    out += central;
    Put32(out, 0x06054B50);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, members.size());
    Put16(out, members.size());
    Put32(out, central.size());
    Put32(out, cdOffset);
    Put16(out, 0);
    return out;
}

class ZipReaderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        wchar_t tmp[MAX_PATH];
        ::GetTempPathW(MAX_PATH, tmp);
        m_dir = FormatW(L"%lszip_%lu_%lu\\", tmp, ::GetCurrentProcessId(), ::GetTickCount());
        ASSERT_TRUE(::CreateDirectoryW(m_dir.c_str(), nullptr));
    }
    void TearDown() override {
        for (const std::wstring& f : m_files) {
            ::SetFileAttributesW(f.c_str(), FILE_ATTRIBUTE_NORMAL);
            ::DeleteFileW(f.c_str());
        }
        ::RemoveDirectoryW(m_dir.c_str());
    }
    std::wstring Write(const std::wstring& name, const std::string& bytes) {
        std::wstring path = Path(name);
        HANDLE h =
            ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD w = 0;
        ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &w, nullptr);
        ::CloseHandle(h);
        return path;
    }
    std::wstring Path(const std::wstring& name) {
        m_files.push_back(m_dir + name);
        return m_dir + name;
    }
    static bool Exists(const std::wstring& path) {
        return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    std::wstring m_dir;
    std::vector<std::wstring> m_files;
};
} // namespace

TEST_F(ZipReaderTest, LooksUpForwardAndAgainFromTheStart) {
    CZipReader reader;
    reader.Close(); // never opened: nothing to do
    ASSERT_TRUE(reader.Open(
        Write(L"a.zip", BuildArchive({{"one", "1"}, {"two", "22"}, {"three", "333"}}))));
    ASSERT_EQ(reader.GetMemberCount(), 3);
    const wchar_t* names[] = {L"one", L"two", L"three"};
    ArchiveMember m;
    for (int i : {2, 0, 1, 1, 2}) {
        ASSERT_TRUE(reader.GetMember(i, m)) << i;
        EXPECT_EQ(m.index, i);
        EXPECT_EQ(m.name, names[i]);
        EXPECT_EQ(m.size, i + 1);
    }
    EXPECT_FALSE(reader.GetMember(3, m));
    EXPECT_FALSE(reader.GetMember(-1, m));
    EXPECT_FALSE(reader.ExtractMember(3, Path(L"x")));
    // Extracting a member that was not looked up last looks it up itself.
    std::wstring out = Path(L"two.txt");
    ASSERT_TRUE(reader.GetMember(0, m));
    ASSERT_TRUE(reader.ExtractMember(1, out));
    WIN32_FILE_ATTRIBUTE_DATA d;
    ASSERT_TRUE(::GetFileAttributesExW(out.c_str(), GetFileExInfoStandard, &d));
    EXPECT_EQ(d.nFileSizeLow, 2u);
    reader.Close();
    EXPECT_EQ(reader.GetMemberCount(), 0);
}

TEST_F(ZipReaderTest, RefusesWhatItCannotRead) {
    CZipReader reader;
    EXPECT_FALSE(reader.Open(Write(L"text.zip", std::string(5000, 'x'))));
    EXPECT_FALSE(reader.Open(m_dir + L"missing.zip"));
    // bzip2 (12) and an unknown method: minizip would hand out the raw bytes as the data.
    ASSERT_TRUE(reader.Open(
        Write(L"m.zip", BuildArchive({{"ok", "1"}, {"bz", "BZh9", 12}, {"x", "y", 99}}))));
    ArchiveMember m;
    EXPECT_TRUE(reader.GetMember(0, m));
    EXPECT_FALSE(reader.GetMember(1, m));
    EXPECT_FALSE(reader.GetMember(2, m));
    EXPECT_FALSE(reader.ExtractMember(1, Path(L"bz")));
    EXPECT_FALSE(Exists(m_dir + L"bz"));
}

TEST_F(ZipReaderTest, StopBetweenBlocksRemovesThePartlyWrittenFile) {
    const std::string data(5 * CZipReader::kBlockSize + 100, 'd');
    CZipReader reader;
    ASSERT_TRUE(reader.Open(Write(L"big.zip", BuildArchive({{"big", data}}))));
    ArchiveMember m;
    ASSERT_TRUE(reader.GetMember(0, m));
    std::wstring out = Path(L"big.bin");
    int asked = 0;
    EXPECT_FALSE(reader.ExtractMember(0, out, [&asked]() { return ++asked > 2; }));
    EXPECT_EQ(asked, 3); // checked before each block: two blocks were written
    EXPECT_FALSE(Exists(out));
    // Without the stop the same member comes out whole.
    ASSERT_TRUE(reader.ExtractMember(0, out, [&asked]() { return ++asked < 0; }));
    WIN32_FILE_ATTRIBUTE_DATA d;
    ASSERT_TRUE(::GetFileAttributesExW(out.c_str(), GetFileExInfoStandard, &d));
    EXPECT_EQ(d.nFileSizeLow, data.size());
}
