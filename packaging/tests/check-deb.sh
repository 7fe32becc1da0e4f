#!/usr/bin/env bash
# Makes the .deb, lists and unpacks it, runs the unpacked zemrik-cli and
# renders its manual page with every groff warning on.
# Usage: check-deb.sh CPACK BUILD_DIR VERSION
set -euo pipefail
cpack=$1 build=$2 version=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" || { cat "$work/cpack.log"; exit 1; }
debs=("$work"/*.deb)
if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then
  echo "no single .deb in $work" >&2
  exit 1
fi
deb=${debs[0]}

listing=$(dpkg-deb -c "$deb")
for path in ./usr/bin/zemrik-cli ./usr/share/man/man1/zemrik-cli.1; do
  grep -q " $path\$" <<<"$listing" || { echo "missing from the .deb: $path" >&2; echo "$listing" >&2; exit 1; }
done
[ "$(dpkg-deb -f "$deb" Package)" = zemrik-cli ] || { echo "wrong package name" >&2; exit 1; }
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || { echo "wrong package version" >&2; exit 1; }
dpkg-deb -f "$deb" Depends | grep -q libc6 || { echo "no dependency on the C library" >&2; exit 1; }

dpkg-deb -x "$deb" "$work/root"
shown=$("$work/root/usr/bin/zemrik-cli" --version)
[ "$shown" = "zemrik-cli $version" ] || { echo "unpacked zemrik-cli --version says '$shown'" >&2; exit 1; }

page="$work/root/usr/share/man/man1/zemrik-cli.1"
grep -q "^\.TH ZEMRIK-CLI 1 .* \"zemrik-cli $version\"" "$page" || { echo "the page names another version" >&2; exit 1; }
warnings=$(groff -ww -man -Tutf8 -z "$page" 2>&1)
[ -z "$warnings" ] || { echo "groff warns:" >&2; echo "$warnings" >&2; exit 1; }
rendered=$(MANWIDTH=80 man --warnings=w -l "$page" 2>"$work/man.err")
[ ! -s "$work/man.err" ] || { echo "man warns:" >&2; cat "$work/man.err" >&2; exit 1; }
for section in NAME SYNOPSIS OPTIONS "EXIT STATUS" EXAMPLES; do
  grep -q "^$section" <<<"$rendered" || { echo "the page has no $section section" >&2; exit 1; }
done
echo "the .deb holds zemrik-cli $version and a clean manual page"
