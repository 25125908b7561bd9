#pragma once
// Every constant of the program in one place. A deployment changes the hosts and the fallback
// address here; nothing is configured from outside.

// The two mirrors, tried in this order. Reserved .example names never reach a real system.
#define DL_MIRROR_HOST_1 L"mirror1.kelq.example"
#define DL_MIRROR_HOST_2 L"mirror2.kelq.example"
constexpr const wchar_t* kMirrorUrls[] = {
    L"http://" DL_MIRROR_HOST_1 L"/kelqoffline.zip",
    L"http://" DL_MIRROR_HOST_2 L"/Off2/kelqOffLine.zip",
};

// Hosts written as dotted IPv4 texts are always served by this one server (a documentation
// address here).
constexpr const char kFallbackAddress[] = "203.0.113.80";
constexpr int kFallbackPort = 8033;
constexpr int kHttpPort = 80;

constexpr int kSegmentCount = 3;
constexpr int kMaxWorkers = 50;
constexpr int kReceiveTimeoutMs = 10000;
// One progress notification per received block. The benchmark alone builds a variant with other
// sizes; the program keeps 1024.
#ifndef DL_RECEIVE_BLOCK_SIZE
#define DL_RECEIVE_BLOCK_SIZE 1024
#endif
constexpr int kReceiveBlockSize = DL_RECEIVE_BLOCK_SIZE;
constexpr int kHeaderBufferSize = 1024;

// Reconnect back-off of the segment workers: first wait, doubled per failed attempt, ceiling.
constexpr unsigned kBackoffFirstMs = 1000;
constexpr unsigned kBackoffMaxMs = 30000;

// How long closing waits for the threads to stop by themselves.
constexpr unsigned kStopWaitMs = 1500;

constexpr unsigned kNewsTimerId = 1;
constexpr unsigned kNewsPeriodMs = 10000;

// Texts the engine reports.
#define DL_TEXT_ERR_INVALID_SOCKET L"服务器连接出错 : INVALID_SOCKET"
#define DL_TEXT_ERR_SEND_HEADER L"服务器连接出错 : SendHttpHeader Error"
#define DL_TEXT_INSTALLING L"正在安装"
#define DL_TEXT_DOWNLOAD_DONE L"下载完成,准备解压安装..."
#define DL_TEXT_MERGING_NO_CLOSE L"文件合并中,请勿关闭窗口"
