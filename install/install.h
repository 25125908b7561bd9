#pragma once
// Unpacking and the installer start, as plain functions: the main dialog's OnDownFinished and
// OnUnzipDone are thin shells over them.
#include "install/install_texts.h"

#include <windows.h>
#include <string>

// The package file name up to its first '.'; empty when the name is empty, has no '.', or begins
// with one.
std::wstring PackageBaseName(const std::wstring& fileName);

// The folder the package is unpacked into: the program folder (ending with a backslash) followed
// by the base name, with no separator added. An empty base name gives the program folder itself.
std::wstring ExtractionFolder(const std::wstring& localDir, const std::wstring& fileName);

// Creates the extraction folder's last level when it is not a folder yet; the result is not
// judged: a failure shows as the first file member failing.
void PrepareExtractionFolder(const std::wstring& folder);

// True only for exactly "setup.exe" (ordinal, case counts).
bool IsSetupFileName(const std::wstring& name);

// Depth-first search of folder for the installer. Every match overwrites setupPath with the
// match's fully qualified path less its first localDirLength characters (the program folder), so
// the last match wins; a match directly in the top folder ends the whole search.
void FindSetupFile(const std::wstring& folder, size_t localDirLength, std::wstring& setupPath);

// Starts the installer by its absolute path, quoted, in its own folder. 0 when it started, else
// the system's error code.
DWORD StartInstaller(const std::wstring& absolutePath);

// The status text for a failed start; nullptr where the status stays DL_TEXT_UNZIP_DONE.
const wchar_t* InstallerFailureText(DWORD error);
