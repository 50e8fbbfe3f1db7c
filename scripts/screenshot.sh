#!/usr/bin/env bash
# Makes the README's screenshot again: the configurator's window on a
# virtual display (Xvfb), identified against the controller simulator on
# 127.0.0.1, saved as docs/screenshot.png (or the file given).
# Usage: scripts/screenshot.sh [OUTPUT.png]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
output=$(realpath -m "${1:-$root/docs/screenshot.png}")

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCONFIGURATOR_BUILD_TESTS=OFF -DCONFIGURATOR_BUILD_BENCH=OFF -DCONFIGURATOR_BUILD_TOOLS=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target readme_screenshot controller_sim

# A working directory prepared from data/, as the program ships.
workdir=$(mktemp -d)
sim_pid=
cleanup() {
    [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null || true
    rm -rf "$workdir"
}
trap cleanup EXIT
cp -r "$root/data/." "$workdir/"

# The simulator on a free port of 127.0.0.1; it says which once it listens.
"$build/sim/controller_sim" --listen 127.0.0.1:0 --catalogue "$root/data/parametrs.csv" --plausible >"$workdir/sim.out" &
sim_pid=$!
port=
for _ in $(seq 50); do
    port=$(sed -n 's/^listening .*:\([0-9]*\)$/\1/p' "$workdir/sim.out")
    [ -n "$port" ] && break
    sleep 0.1
done
[ -n "$port" ] || { echo "screenshot: the simulator did not start"; exit 1; }

mkdir -p "$(dirname "$output")"
cd "$workdir"
# A site's template that differs from the simulated controller in a few rows.
cat >"$workdir/template.txt" <<'TEMPLATE'
{"object_name": "Котельная №5", "poll_period": 30, "archive_depth": 120, "tz_offset": 5, "uart2": "19200_8E1",
 "srv_port": 7020, "board_temp": 20}
TEMPLATE
xvfb-run -a -s "-screen 0 1600x900x24" env QT_QPA_PLATFORM=xcb \
    "$build/tools/readme_screenshot" --host 127.0.0.1 --port "$port" --compare "$workdir/template.txt" \
    --output "$output"
echo "screenshot: $output"
