#!/usr/bin/env bash
# Installs what building, running and testing the configurator needs on
# Debian 12; packages already present are left alone.
set -euo pipefail

packages=(
    cmake g++ make
    qtbase5-dev qtbase5-dev-tools libqt5serialport5-dev
    qt5-image-formats-plugins   # WebP images of the style sheet
    socat                       # pseudo-terminal pairs as serial lines
    xvfb xauth                  # running the window without a display
    fonts-dejavu-core           # a font with Cyrillic for the PDF report
    poppler-utils               # pdftotext: the tests read the report back
    iproute2 util-linux         # private network namespace for the tests
    g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64  # compiling the Windows branches
    clang libclang-rt-14-dev    # libFuzzer and the sanitizers for scripts/fuzz.sh
)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
