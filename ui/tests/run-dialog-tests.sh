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

# A display nobody else uses, from :97 upwards.
display_number=97
while [ -e "/tmp/.X$display_number-lock" ] || [ -e "/tmp/.X11-unix/X$display_number" ]; do
  display_number=$((display_number + 1))
done
export DISPLAY=:$display_number
Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
  [ -e "/tmp/.X11-unix/X$display_number" ] && break
  sleep 0.1
done

if [ ! -d "$WINEPREFIX" ]; then
  "$wine" wineboot -i
  "$wineserver" -w
fi
# Without a window manager Wine must draw captions and frames itself.
if ! grep -qs '"Managed"="N"' "$WINEPREFIX/user.reg"; then
  "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null
  "$wineserver" -w
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
exit "$status"
