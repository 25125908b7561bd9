#pragma once
// Texts of the main window.
#define DL_TEXT_CONNECTING L"连接服务器"
#define DL_TEXT_ASK_REDOWNLOAD L"文件已经存在,是否重新下载?"
#define DL_TEXT_NOTICE_TITLE L"提示"
#define DL_TEXT_CONNECTED L"连接成功开始下载"
#define DL_TEXT_NOT_FOUND L"找不到服务器,请稍后再试"
#define DL_TEXT_RESUME L"继续下载"
#define DL_TEXT_PAUSE L"暂停下载"
#define DL_FMT_PERCENT L"%d%%"
