// Identifiers of the program's resources (downloader.rc). Kept free of C++ so that windres's
// preprocessor reads it as well.
#pragma once

// Main dialog and its initialisation data (the same id, resource type 240).
#define IDD_DOWNLOADER_DIALOG 5

// Icon with the 48, 32 and 16 pixel images.
#define IDR_MAINFRAME 10

// Pictures of resource type "IMAGE".
#define IDR_IMAGE_LOGO 11
#define IDR_IMAGE_PRODUCT 100
// A second copy of the product picture, never drawn.
#define IDR_IMAGE_PRODUCT2 101

// News lines, shown in this order by the rotation.
#define IDS_NEWS_DOWNLOADING 200
#define IDS_NEWS_FEATURES 201
#define IDS_NEWS_TEMPLATES 202
#define IDS_NEWS_MONITORING 203
#define IDS_NEWS_NO_IP 204

// Controls of the main dialog.
#define IDC_PAUSE 1001
#define IDC_PROGRESS 1002
#define IDC_STATUS 1003
#define IDC_PACKAGE_SIZE 1004
#define IDC_PERCENT 1005
#define IDC_SPEED 1006
#define IDC_NEXT 1007
#define IDC_NEWS 1014
#define IDC_HEADING 1015
#define IDC_PROGRESS_CAPTION 1017
#define IDC_LABEL_DONE 1018
#define IDC_LABEL_SIZE 1019
#define IDC_LABEL_SPEED 1020
#define IDC_NOTICE 1022
