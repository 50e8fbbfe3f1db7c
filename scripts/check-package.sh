#!/usr/bin/env bash
# Packs the installed folder into a ZIP with CPack and checks its listing:
# the executable and every working-directory file of data/, side by side.
#
# Usage: scripts/check-package.sh [BUILD_DIR]   (default: build-tests, built)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-${BUILD_DIR:-$root/build-tests}}
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

cmake --build "$build" --target configurator_USPD_Kestrin >/dev/null
(cd "$build" && cpack -G ZIP -B "$out" >/dev/null)
zip=$(find "$out" -maxdepth 1 -name '*.zip' | head -n 1)
[ -n "$zip" ] || { echo "check-package: no ZIP was made"; exit 1; }
listing=$(cmake -E tar tf "$zip")

missing=0
expect() {
    if ! grep -q -F -x -e "$1" <<<"$(sed 's|^[^/]*/||' <<<"$listing")"; then
        echo "check-package: $(basename "$zip") lacks $1"
        missing=1
    fi
}
expect "bin/configurator_USPD_Kestrin"
while IFS= read -r file; do
    expect "bin/$file"
done < <(cd "$root/data" && find . -type f | sed 's|^\./||' | sort)

[ $missing -eq 0 ] || exit 1
echo "check-package: $(basename "$zip") holds the executable and the $(cd "$root/data" && find . -type f | wc -l) files of data/"
