// The extraction folder, the installer search and the installer start.
#include "install/install.h"
#include "framework/strings.h"

#include <gtest/gtest.h>

TEST(ExtractionFolder, Cases) {
    struct Case {
        const wchar_t* fileName;
        const wchar_t* base;
    } cases[] = {
        {L"kelqoffline.zip", L"kelqoffline"},
        {L"kelqOffLine.zip", L"kelqOffLine"},
        {L"a.b.zip", L"a"},
        {L"kelqoffline", L""},
        {L".zip", L""},
        {L"", L""},
        {L"pkg.", L"pkg"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PackageBaseName(c.fileName), c.base) << ToUtf8(c.fileName);
        EXPECT_EQ(ExtractionFolder(L"C:\\Prog\\", c.fileName),
                  std::wstring(L"C:\\Prog\\") + c.base);
    }
}

TEST(IsSetupFileName, ExactOnly) {
    EXPECT_TRUE(IsSetupFileName(L"setup.exe"));
    for (const wchar_t* no :
         {L"SETUP.EXE", L"Setup.exe", L"setup.EXE", L"setup.exe ", L" setup.exe", L"setup.ex",
          L"setup.exe.txt", L"xsetup.exe", L"", L"setup"})
        EXPECT_FALSE(IsSetupFileName(no)) << ToUtf8(no);
}

TEST(InstallerFailureText, Mapping) {
    EXPECT_STREQ(InstallerFailureText(ERROR_FILE_NOT_FOUND), L"安装文件未找到!");
    EXPECT_STREQ(InstallerFailureText(ERROR_PATH_NOT_FOUND), L"安装文件路径错误!");
    EXPECT_STREQ(InstallerFailureText(ERROR_DIRECTORY), L"安装文件路径错误!");
    for (DWORD e : {ERROR_BAD_FORMAT, ERROR_BAD_EXE_FORMAT, ERROR_INVALID_EXE_SIGNATURE,
                    ERROR_EXE_MARKED_INVALID, ERROR_EXE_MACHINE_TYPE_MISMATCH})
        EXPECT_STREQ(InstallerFailureText(e), L"安装文件无效!") << e;
    for (DWORD e : {ERROR_ACCESS_DENIED, ERROR_NOT_ENOUGH_MEMORY, ERROR_SHARING_VIOLATION,
                    ERROR_GEN_FAILURE, ERROR_INVALID_NAME})
        EXPECT_EQ(InstallerFailureText(e), nullptr) << e;
}

namespace {
// A folder tree under the temp folder, removed afterwards.
class SearchTree : public ::testing::Test {
  protected:
    void SetUp() override {
        wchar_t tmp[MAX_PATH];
        ::GetTempPathW(MAX_PATH, tmp);
        wchar_t full[MAX_PATH];
        ::GetFullPathNameW(tmp, MAX_PATH, full, nullptr);
        m_root = FormatW(L"%lsfind_%lu_%lu\\", full, ::GetCurrentProcessId(), ::GetTickCount());
        ASSERT_TRUE(::CreateDirectoryW(m_root.c_str(), nullptr));
    }
    void TearDown() override { Remove(m_root.substr(0, m_root.size() - 1)); }
    void Dir(const std::wstring& rel) { ::CreateDirectoryW((m_root + rel).c_str(), nullptr); }
    void File(const std::wstring& rel, const char* text = "x") {
        HANDLE h = ::CreateFileW((m_root + rel).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE) << ToUtf8(rel);
        DWORD w = 0;
        ::WriteFile(h, text, static_cast<DWORD>(strlen(text)), &w, nullptr);
        ::CloseHandle(h);
    }
    std::wstring Find(const std::wstring& folder, std::wstring start = L"") {
        FindSetupFile(m_root + folder, m_root.size(), start);
        return start;
    }
    static void Remove(const std::wstring& path) {
        WIN32_FIND_DATAW d;
        HANDLE h = ::FindFirstFileW((path + L"\\*").c_str(), &d);
        if (h != INVALID_HANDLE_VALUE) {
            do {
                std::wstring n = d.cFileName;
                if (n == L"." || n == L"..") continue;
                std::wstring p = path + L"\\" + n;
                if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    Remove(p);
                else
                    ::DeleteFileW(p.c_str());
            } while (::FindNextFileW(h, &d));
            ::FindClose(h);
        }
        ::RemoveDirectoryW(path.c_str());
    }
    std::wstring m_root; // the program folder, ending with a backslash
};
} // namespace

TEST_F(SearchTree, TopLevelWinsAndPathIsRelative) {
    Dir(L"pkg");
    for (const wchar_t* d : {L"pkg\\a", L"pkg\\z"})
        Dir(d);
    File(L"pkg\\a\\setup.exe");
    File(L"pkg\\setup.exe");
    File(L"pkg\\z\\setup.exe");
    EXPECT_EQ(Find(L"pkg"), L"pkg\\setup.exe");
}

TEST_F(SearchTree, NestedMatchesAndMisses) {
    Dir(L"pkg");
    Dir(L"pkg\\setup.exe");
    File(L"pkg\\setup.exe\\setup.exe");
    Dir(L"pkg\\other");
    File(L"pkg\\other\\Setup.exe");
    File(L"pkg\\SETUP.EXE.txt");
    EXPECT_EQ(Find(L"pkg"), L"pkg\\setup.exe\\setup.exe");
    // No match keeps what the path held; a missing folder is passed over.
    Dir(L"empty");
    EXPECT_EQ(Find(L"empty", L"earlier"), L"earlier");
    EXPECT_EQ(Find(L"missing", L"earlier"), L"earlier");
}

TEST_F(SearchTree, ProgramFolderItselfWithDoubledBackslash) {
    File(L"setup.exe");
    std::wstring found;
    // An empty base name: the extraction folder is the program folder, backslash included.
    FindSetupFile(m_root, m_root.size(), found);
    EXPECT_EQ(found, L"setup.exe");
}

TEST_F(SearchTree, StartInstallerErrors) {
    File(L"setup.exe", "this is no program");
    EXPECT_EQ(StartInstaller(m_root + L"setup.exe"), static_cast<DWORD>(ERROR_BAD_EXE_FORMAT));
    EXPECT_EQ(StartInstaller(m_root + L"missing.exe"), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    // A missing folder is found missing as the working folder first.
    DWORD missingFolder = StartInstaller(m_root + L"no\\such\\setup.exe");
    EXPECT_STREQ(InstallerFailureText(missingFolder), L"安装文件路径错误!") << missingFolder;
}
