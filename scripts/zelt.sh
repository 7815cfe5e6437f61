#!/usr/bin/env bash
# Sets up a Debian machine for the project, builds it and runs the main job
# or the tests.
#
#   scripts/zelt.sh demo    install what is missing, build, run zeltpaint on the demo image
#   scripts/zelt.sh test    install what is missing, build the default and sanitizer
#                           presets and run every test in both
#   scripts/zelt.sh deps    only install what is missing
set -euo pipefail

cd "$(dirname "$0")/.."

PACKAGES=(cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev libpng-dev)

install_missing() {
    local missing=()
    for p in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    if ((${#missing[@]})); then
        echo "zelt: installing ${missing[*]}"
        local sudo=""
        [[ $(id -u) -ne 0 ]] && sudo="sudo"
        $sudo apt-get update -qq
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
    fi
}

build() {
    cmake --preset "$1" >/dev/null
    cmake --build --preset "$1"
}

run_tests() {
    local preset=$1
    echo "zelt: running the tests of the '$preset' preset"
    ctest --preset "$preset" -j "$(nproc)"
}

case "${1:-}" in
    deps)
        install_missing
        ;;
    demo)
        install_missing
        build default
        ./build/bin/zeltpaint -o zeltpaint-demo.png
        ;;
    test)
        install_missing
        build default
        run_tests default
        build asan
        run_tests asan
        ;;
    *)
        echo "usage: $0 demo|test|deps" >&2
        exit 2
        ;;
esac
