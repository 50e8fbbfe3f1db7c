#!/usr/bin/env bash
# Compiles the Windows branches of the code here, where they would otherwise
# never be compiled: every source file of the configurator and of the
# simulator (and the sources moc and rcc generated) goes through the MinGW-w64
# cross compiler in syntax-only mode, where Q_OS_WIN is defined, and the
# Windows resource script through windres. It cannot link: there are no Qt
# libraries for MinGW on this machine.
#
# Usage: scripts/check-windows.sh [BUILD_DIR]   (default: build-tests)
# The build directory provides what uic, moc and rcc generated; it is
# configured and its code generators run if it has not been built yet.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-${BUILD_DIR:-$root/build-tests}}
cxx=x86_64-w64-mingw32-g++-posix
windres=x86_64-w64-mingw32-windres
qt=$(qmake -query QT_INSTALL_HEADERS 2>/dev/null || echo /usr/include/x86_64-linux-gnu/qt5)

for tool in "$cxx" "$windres"; do
    command -v "$tool" >/dev/null || { echo "check-windows: $tool is missing (scripts/install-deps.sh installs it)"; exit 1; }
done

if [ ! -f "$build/src/configurator_core_autogen/include/ui_mainwindow.h" ]; then
    cmake -S "$root" -B "$build" >/dev/null
    cmake --build "$build" --target configurator_core_autogen controller_sim_core_autogen >/dev/null
fi

flags=(-fsyntax-only -std=c++17 -Wall -Wextra -Werror
       -DQT_CORE_LIB -DQT_GUI_LIB -DQT_WIDGETS_LIB -DQT_NETWORK_LIB -DQT_SERIALPORT_LIB
       -DCONFIGURATOR_VERSION='"0"'
       -I "$root/src" -I "$root/sim" -I "$build/src/configurator_core_autogen/include")
for module in "" QtCore QtGui QtWidgets QtNetwork QtSerialPort; do
    flags+=(-isystem "$qt/$module")
done

mapfile -t sources < <(
    cd "$root" && find src sim -name '*.cpp' | sort | sed "s|^|$root/|"
    find "$build/src" "$build/sim" -path '*_autogen/*' \( -name 'mocs_compilation.cpp' -o -name 'qrc_*.cpp' \) | sort
)

echo "check-windows: ${#sources[@]} source files with $cxx (syntax only, Q_OS_WIN defined)"
failed=0
printf '%s\0' "${sources[@]}" |
    xargs -0 -n 4 -P "$(nproc)" "$cxx" "${flags[@]}" || failed=1

echo "check-windows: resource script with $windres"
"$windres" --input-format=rc -O coff -c 65001 -i "$build/src/configurator.rc" -o /dev/null || failed=1

if [ $failed -ne 0 ]; then
    echo "check-windows: FAILED - a Windows branch does not compile"
    exit 1
fi
echo "check-windows: all Windows branches compile (not linked: there are no Qt libraries for MinGW here)"
