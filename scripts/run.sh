#!/usr/bin/env bash
# Installs what is missing, builds, and starts the configurator in a working
# directory prepared from data/, with the controller simulator listening on
# 127.0.0.1 so that "Установить связь" identifies it at once.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
workdir=${WORK_DIR:-$build/workdir}
sim_port=${SIM_PORT:-2200}

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCONFIGURATOR_BUILD_TESTS=OFF -DCONFIGURATOR_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target configurator_USPD_Kestrin controller_sim

# The program reads and writes its files in the working directory; keep the
# user's settings.txt between runs, refresh the shipped samples.
mkdir -p "$workdir"
cp -r "$root/data/." "$workdir/"

# The simulated controller keeps the parameters of the shipped catalogue, so
# that every parameter page can be read and written.
"$build/sim/controller_sim" --listen "127.0.0.1:$sim_port" --catalogue "$root/data/parametrs.csv" --plausible &
sim_pid=$!
trap 'kill $sim_pid 2>/dev/null || true' EXIT

cd "$workdir"
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    if [ "${RUN_HEADLESS:-}" = 1 ]; then
        exec_cmd=(xvfb-run -a)
    else
        echo "No display found. Run it on a virtual one with:"
        echo "    RUN_HEADLESS=1 $0"
        echo "(the configurator then runs under xvfb-run; take screenshots with xwd or import)."
        exit 1
    fi
else
    exec_cmd=()
fi
"${exec_cmd[@]}" "$build/src/configurator_USPD_Kestrin" --host 127.0.0.1 --port "$sim_port"
