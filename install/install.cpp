#include "install/install.h"

#include "framework/filefind.h"

#include <shlwapi.h>
#include <vector>

std::wstring PackageBaseName(const std::wstring& fileName) {
    size_t dot = fileName.find(L'.');
    if (dot == std::wstring::npos) return std::wstring();
    return fileName.substr(0, dot);
}

std::wstring ExtractionFolder(const std::wstring& localDir, const std::wstring& fileName) {
    return localDir + PackageBaseName(fileName);
}

void PrepareExtractionFolder(const std::wstring& folder) {
    if (!::PathIsDirectoryW(folder.c_str())) ::CreateDirectoryW(folder.c_str(), nullptr);
}

bool IsSetupFileName(const std::wstring& name) {
    return name == DL_SETUP_FILE_NAME;
}

void FindSetupFile(const std::wstring& folder, size_t localDirLength, std::wstring& setupPath) {
    CFileFind finder;
    BOOL more = finder.FindFile((folder + L"\\*.*").c_str());
    while (more) {
        more = finder.FindNextFile();
        if (finder.IsDots()) continue;
        // A folder is entered, never matched, even one named setup.exe.
        if (finder.IsDirectory()) {
            FindSetupFile(finder.GetFilePath(), localDirLength, setupPath);
            continue;
        }
        if (IsSetupFileName(finder.GetFileName())) {
            std::wstring path = finder.GetFilePath();
            setupPath = path.size() > localDirLength ? path.substr(localDirLength) : std::wstring();
            return;
        }
    }
}

DWORD StartInstaller(const std::wstring& absolutePath) {
    // The application name is given, so nothing is looked up along the search path or in the
    // current folder; the installer runs in its own folder, where it expects its files.
    std::wstring folder;
    size_t cut = absolutePath.find_last_of(L"\\/");
    if (cut != std::wstring::npos) folder = absolutePath.substr(0, cut + 1);
    std::wstring quoted = L"\"" + absolutePath + L"\"";
    std::vector<wchar_t> commandLine(quoted.begin(), quoted.end());
    commandLine.push_back(L'\0'); // CreateProcessW may write into its command line

    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_SHOW;
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(absolutePath.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                          nullptr, folder.empty() ? nullptr : folder.c_str(), &si, &pi)) {
        DWORD error = ::GetLastError();
        return error ? error : ERROR_GEN_FAILURE;
    }
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    return 0;
}

const wchar_t* InstallerFailureText(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
        return DL_TEXT_SETUP_NOT_FOUND;
    case ERROR_PATH_NOT_FOUND:
    // The installer's own folder is the working folder: when it is missing, that is reported
    // before the program itself is looked at.
    case ERROR_DIRECTORY:
        return DL_TEXT_SETUP_PATH_WRONG;
    case ERROR_BAD_FORMAT:                // what the 16-bit style start reported
    case ERROR_BAD_EXE_FORMAT:            // not a Windows program
    case ERROR_INVALID_EXE_SIGNATURE:     // a program for another system
    case ERROR_EXE_MARKED_INVALID:        // the linker marked it unusable
    case ERROR_EXE_MACHINE_TYPE_MISMATCH: // built for another processor
        return DL_TEXT_SETUP_INVALID;
    }
    return nullptr;
}
