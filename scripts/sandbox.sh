#!/usr/bin/env bash
# Runs a command inside the test sandbox:
#   a private network namespace (loopback, the fallback address on lo, nothing else),
#   a private mount namespace (our hosts file over /etc/hosts, a private wineserver socket dir),
#   one Xvfb display and one persistent wineserver for the whole command.
# Usage: scripts/sandbox.sh <command> [args...]
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
build="${BUILD_DIR:-$repo/build}"

if [ -z "${DOWNLOADER_SANDBOX:-}" ]; then
  if [ "$(id -u)" -eq 0 ]; then
    exec unshare --net --mount --fork env DOWNLOADER_SANDBOX=1 "$0" "$@"
  else
    exec unshare -r --net --mount --fork env DOWNLOADER_SANDBOX=1 "$0" "$@"
  fi
fi

# Constants shared with the program (engine/config.h): keep them in step.
FALLBACK_ADDR=203.0.113.80

ip link set lo up
ip addr add "$FALLBACK_ADDR/32" dev lo

state=$(mktemp -d /tmp/downloader-sandbox.XXXXXX)
export SANDBOX_STATE=$state
export SANDBOX_HOSTS=$state/hosts
cat > "$SANDBOX_HOSTS" <<HOSTS
127.0.0.1 localhost
127.0.0.1 mirror1.kelq.example
127.0.0.1 mirror2.kelq.example
127.0.0.2 alt.kelq.example
127.0.0.3 alt3.kelq.example
HOSTS
mount --bind "$SANDBOX_HOSTS" /etc/hosts

# A wineserver started elsewhere for the same prefix must not serve us: its sockets would live
# outside this namespace. A private socket directory guarantees our own server.
wdir=/tmp/.wine-$(id -u)
mkdir -p "$wdir" && chmod 700 "$wdir"
mount -t tmpfs -o mode=700 tmpfs "$wdir"

export WINEPREFIX="${WINEPREFIX:-$build/wineprefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
"$repo/scripts/wine-prefix.sh" "$WINEPREFIX"

cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$state"
}
trap cleanup EXIT

if [ -z "${SANDBOX_KEEP_DISPLAY:-}" ] || [ -z "${DISPLAY:-}" ]; then
  exec 9<> <(:)
  Xvfb -displayfd 9 -screen 0 1280x1024x24 -nolisten tcp -noreset >"$state/xvfb.log" 2>&1 &
  xvfb_pid=$!
  disp=""
  for _ in $(seq 100); do
    read -r -t 0.1 disp <&9 && break || true
  done
  [ -n "$disp" ] || { echo "sandbox: Xvfb did not start" >&2; cat "$state/xvfb.log" >&2; exit 1; }
  export DISPLAY=:$disp
fi

wineserver -p
# Warm-up start: Wine's long-lived helper processes (services, explorer) start now, with
# /dev/null as their output, instead of inheriting (and holding open) a test's output pipe.
wine cmd /c exit </dev/null >/dev/null 2>&1 || true
# Xvfb runs no window manager. Wine waits up to 2 s for a manager to acknowledge every window
# that is hidden or destroyed unless its windows are unmanaged; on a real desktop they stay managed.
if [ -n "${xvfb_pid:-}" ]; then managed=N; else managed=Y; fi
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d "$managed" /f </dev/null >/dev/null 2>&1 || true
set +e
"$@"
rc=$?
set -e
exit $rc
