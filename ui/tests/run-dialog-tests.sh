#!/usr/bin/env bash
# Runs the dialog's end-to-end tests under Wine on a private X server and
# photographs the dialog after a typical run into BUILD_DIR/zemrik-dialog.png.
# Usage: run-dialog-tests.sh BUILD_DIR WINE
#   WINE: the loader for the build's programs, wine64 or the 32-bit wine.
set -euo pipefail

if [ $# -ne 2 ]; then
  echo "usage: $0 BUILD_DIR WINE" >&2
  exit 2
fi
build_dir=$(cd "$1" && pwd)
wine=$2
wineserver=/usr/lib/wine/wineserver
driver=$build_dir/ui/zemrik_dialog_tests.exe
screenshot=$build_dir/zemrik-dialog.png
request=$build_dir/zemrik-dialog.request

export WINEPREFIX=$build_dir/wineprefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

xvfb_pid=
responder_pid=
# shellcheck disable=SC2317  # reached through the trap below
cleanup() {
  if [ -n "$responder_pid" ]; then kill "$responder_pid" 2>/dev/null || true; fi
  "$wineserver" -k 2>/dev/null || true
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; fi
  rm -f "$request" "$request.draft" "$request.done"
}
trap cleanup EXIT

# Xvfb picks a display nobody else uses and names it on a pipe, so two
# servers starting at once can't race for the same number.
display_file=$(mktemp)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$display_file" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
  [ -s "$display_file" ] && break
  kill -0 "$xvfb_pid" 2>/dev/null || break
  sleep 0.1
done
display_number=$(head -n 1 "$display_file")
rm -f "$display_file"
if [ -z "$display_number" ]; then
  echo "$0: Xvfb did not start a display" >&2
  exit 1
fi
export DISPLAY=:$display_number

# Every stage says why it failed: with WINEDEBUG=-all Wine itself says nothing.
fail() {
  echo "$0: $1 (exit status $2)" >&2
  exit 1
}
if [ ! -d "$WINEPREFIX" ]; then
  "$wine" wineboot -i || fail "making the Wine prefix failed" $?
  "$wineserver" -w || true
fi
# Without a window manager Wine must draw captions and frames itself.
if ! grep -qs '"Managed"="N"' "$WINEPREFIX/user.reg"; then
  "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null ||
    fail "setting Wine's X11 driver unmanaged failed" $?
  "$wineserver" -w || true
fi

# The driver writes the dialog's geometry (WxH+X+Y) into the request file
# when the typical run is on screen, and waits for the .done file.
rm -f "$request" "$request.draft" "$request.done" "$screenshot"
(
  while [ ! -e "$request" ]; do sleep 0.2; done
  geometry=$(head -n 1 "$request")
  import -display "$DISPLAY" -window root -crop "$geometry" +repage "$screenshot" || true
  touch "$request.done"
) &
responder_pid=$!
export ZEMRIK_SCREENSHOT_REQUEST="Z:${request//\//\\}"
export ZEMRIK_EXE="Z:${build_dir//\//\\}\\app\\zemrik.exe"

status=0
"$wine" "$driver" || status=$?
"$wineserver" -w || true
if [ "$status" -ne 0 ]; then
  echo "$0: the dialog tests ended with exit status $status" >&2
fi
exit "$status"
