#!/usr/bin/env bash
# Installs everything the build and the tests need on a Debian 12 machine (run as root).
# Idempotent: each step checks first, so a second run changes nothing and takes a second.
set -euo pipefail

need_pkgs=(
  cmake ninja-build
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
  mingw-w64-i686-dev libz-mingw-w64-dev googletest
  wine wine64 wine32:i386
  xvfb xauth x11-utils imagemagick fonts-wqy-zenhei locales
  nginx-light python3 python3-pytest python3-pil
  curl aria2 dpkg-dev iproute2 util-linux procps psmisc
)

missing=()
for p in "${need_pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

deb_src_present() {
  grep -rqsE '^(Types:.*deb-src|deb-src )' /etc/apt/sources.list /etc/apt/sources.list.d/ 2>/dev/null
}

changed=0
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  changed=1
fi
if ! deb_src_present; then
  # Source entries mirror the binary ones so that `apt-get source minizip` works.
  cat > /etc/apt/sources.list.d/downloader-src.sources <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
  changed=1
fi

if [ ${#missing[@]} -gt 0 ] || [ $changed -eq 1 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
fi

# Chinese locale for Wine (code page 936) and CJK glyphs.
if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf8$'; then
  sed -i 's/^# *\(zh_CN.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen >/dev/null
fi

repo=$(cd "$(dirname "$0")/.." && pwd)
build="${BUILD_DIR:-$repo/build}"

# minizip sources, unpacked once into the build tree (never committed).
if [ ! -f "$build/_deps/minizip/unzip.c" ]; then
  tmp=$(mktemp -d)
  (cd "$tmp" && apt-get source -qq minizip >/dev/null 2>&1)
  mkdir -p "$build/_deps"
  rm -rf "$build/_deps/minizip"
  mv "$tmp"/minizip-*/ "$build/_deps/minizip"
  rm -rf "$tmp"
  echo "setup: minizip $(cd "$build/_deps/minizip" && dpkg-parsechangelog -S Version) unpacked"
fi

# One Wine prefix for the whole build, in the Chinese locale our users have.
"$repo/scripts/wine-prefix.sh" "$build/wineprefix"
exit 0
