#pragma once
// The status texts of the unpacking and the installer start, shared by the main dialog and the
// engine test window.
#define DL_TEXT_UNZIPPING L"正在解压..."
#define DL_TEXT_UNZIP_DONE L"解压结束!"
#define DL_TEXT_SETUP_NOT_FOUND L"安装文件未找到!"
#define DL_TEXT_SETUP_PATH_WRONG L"安装文件路径错误!"
#define DL_TEXT_SETUP_INVALID L"安装文件无效!"

// The installer's file name, compared exactly.
#define DL_SETUP_FILE_NAME L"setup.exe"
