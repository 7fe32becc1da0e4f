#!/usr/bin/env bash
# Builds the web page (the wasm preset) if needed and serves it on this
# machine only, until stopped (Ctrl-C). The page also works opened straight
# from build/wasm/web/page/index.html.
# Usage: scripts/web.sh [--port N]   (8080 unless given)
set -euo pipefail
cd "$(dirname "$0")/.."

port=8080
while [ $# -gt 0 ]; do
  case $1 in
  --port)
    [ $# -ge 2 ] || { echo "web.sh: --port needs a number" >&2; exit 64; }
    port=$2
    shift 2
    ;;
  *)
    echo "usage: scripts/web.sh [--port N]" >&2
    exit 64
    ;;
  esac
done
if ! [[ $port =~ ^[0-9]{1,5}$ ]] || [ "$port" -lt 1 ] || [ "$port" -gt 65535 ]; then
  echo "web.sh: --port takes a number from 1 to 65535, not '$port'" >&2
  exit 64
fi

[ -f build/wasm/build.ninja ] || cmake --preset wasm
cmake --build --preset wasm --target web_page
echo "serving the page at http://127.0.0.1:$port/ (Ctrl-C stops)"
exec python3 -m http.server "$port" --bind 127.0.0.1 --directory build/wasm/web/page
