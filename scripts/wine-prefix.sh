#!/usr/bin/env bash
# Makes the Wine prefix at $1 once: wineboot, then the SimSun font replacement.
set -euo pipefail
prefix=$1
[ -f "$prefix/.downloader-ready" ] && exit 0
export WINEPREFIX=$prefix WINEDEBUG=-all WINEARCH=win64 LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
export WINEDLLOVERRIDES="mscoree,mshtml="
rm -rf "$prefix"
mkdir -p "$prefix"
wineboot -i >/dev/null 2>&1
reg=$(mktemp --suffix=.reg)
printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n"SimSun"="WenQuanYi Zen Hei"\r\n"\xcb\xce\xcc\xe5"="WenQuanYi Zen Hei"\r\n\r\n' > "$reg"
wine regedit /S "$reg" >/dev/null 2>&1
wineserver -w
rm -f "$reg"
touch "$prefix/.downloader-ready"
echo "setup: wine prefix ready in $prefix"
