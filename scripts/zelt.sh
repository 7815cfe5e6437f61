#!/usr/bin/env bash
# Sets up a Debian machine for the project, builds it and runs the main job
# or the tests.
#
#   scripts/zelt.sh demo      install what the demo needs, build the libraries,
#                             zeltpaint and zeltview (built, not run: it needs a
#                             display), run zeltpaint on the demo image
#   scripts/zelt.sh test      install what is missing, build the default and sanitizer
#                             presets and run every test in both
#   scripts/zelt.sh coverage  build the coverage preset, run every test, print line and
#                             branch coverage of platform/, kernel/ and display/
#   scripts/zelt.sh test-windows  install MinGW-w64, GoogleTest's sources and Wine, build
#                             the windows-x86 preset (the product DLLs) and the windows-x64
#                             preset (DLLs, tools and test programs), check the DLLs'
#                             export tables and run the 64-bit tests under Wine
#   scripts/zelt.sh fuzz SECONDS  build the libFuzzer targets with clang (fuzz preset) and
#                             run each for SECONDS, starting from its seed corpus; inputs
#                             that crash are kept under tests/fuzz/corpus/<target>/ so the
#                             ordinary test build replays them
#   scripts/zelt.sh bench [OPTIONS]  install the peer programs and libraries, build the
#                             bench preset (Release) and run bench/peers' zelt_peers, which
#                             prints Zelt's figures beside the peers' (OPTIONS go to it:
#                             --size N, --reps N, --no-cli, --json FILE)
#   scripts/zelt.sh deps      only install what is missing
set -euo pipefail

cd "$(dirname "$0")/.."

# cairo writes the printers' PDFs; SDL2 shows the software screen in zeltview.
DEMO_PACKAGES=(cmake ninja-build g++ pkg-config libpng-dev zlib1g-dev libgif-dev libcairo2-dev libsdl2-dev)
# Programs that read what we write and write what we read: the interchange
# tests hand metafiles to them and take theirs (never linked).
INTEROP_PACKAGES=(libwmf-bin libreoffice-draw inkscape imagemagick gifsicle poppler-utils xvfb)
PACKAGES=("${DEMO_PACKAGES[@]}" python3 libgtest-dev libgmock-dev libbenchmark-dev "${INTEROP_PACKAGES[@]}")
FUZZ_PACKAGES=(cmake ninja-build clang libclang-rt-dev pkg-config libpng-dev zlib1g-dev)
# The peer comparison: libraries linked into zelt_peers only, programs it runs.
BENCH_PACKAGES=("${DEMO_PACKAGES[@]}" libbenchmark-dev libpixman-1-dev libopencv-dev netpbm graphicsmagick imagemagick)
WINDOWS_PACKAGES=(cmake ninja-build python3 g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64-tools googletest
                  libz-mingw-w64-dev wine64 xvfb)

install_missing() {
    local missing=()
    for p in "$@"; do
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
        install_missing "${PACKAGES[@]}"
        ;;
    demo)
        install_missing "${DEMO_PACKAGES[@]}"
        build demo
        ./build-demo/bin/zeltpaint -o zeltpaint-demo.png
        ;;
    coverage)
        install_missing "${PACKAGES[@]}" gcovr
        build coverage
        find build-coverage -name '*.gcda' -delete
        run_tests coverage
        # One summary per library (the per-file report lands beside the
        # build); exception-only and unreachable branches are the compiler's,
        # not ours.
        for lib in platform kernel display; do
            echo "zelt: coverage of $lib/"
            gcovr --root . --object-directory build-coverage --filter "$lib/" \
                  --exclude-throw-branches --exclude-unreachable-branches -j "$(nproc)" \
                  --print-summary --txt "build-coverage/coverage-$lib.txt" build-coverage
        done
        ;;
    test-windows)
        install_missing "${WINDOWS_PACKAGES[@]}"
        for preset in windows-x86 windows-x64; do
            build "$preset"
            triple=$([[ $preset == windows-x86 ]] && echo i686 || echo x86_64)-w64-mingw32
            bin="build-$preset/bin"
            echo "zelt: export tables of the '$preset' DLLs"
            python3 tests/windows/check_exports.py "$triple-objdump" \
                include/zelt/display.h "$bin/zeltdisplay.dll" include/zelt/kernel.h "$bin/zeltkernel.dll"
        done
        # Wine's GDI is an implementation of its own: the DLLs load there as
        # in an application, and the test programs paint through it what
        # they paint through the software platform.
        echo "zelt: running the tests of the 'windows-x64' preset under Wine"
        ctest --preset windows-x64 -j "$(nproc)"
        # zeltpaint.exe writes what the Linux zeltpaint writes, byte for byte
        # (the default build's when there is one, else the demo build's).
        if [[ -f build/CMakeCache.txt ]]; then
            cmake --build --preset default --target zeltpaint
            linux_zeltpaint=build/bin/zeltpaint
        else
            install_missing "${DEMO_PACKAGES[@]}"
            build demo
            linux_zeltpaint=build-demo/bin/zeltpaint
        fi
        tests/windows/same_pictures.sh "$linux_zeltpaint" build-windows-x64/bin/zeltpaint.exe \
            build-windows-x64/same-pictures build-windows-x64/wine-prefix
        ;;
    fuzz)
        seconds=${2:?usage: $0 fuzz SECONDS}
        install_missing "${FUZZ_PACKAGES[@]}"
        build fuzz
        for target in metafile dib_paste; do
            work="build-fuzz/corpus-$target"
            kept="tests/fuzz/corpus/$target"
            mkdir -p "$work" "$kept"
            cp -n "$kept"/* "$work"/ 2>/dev/null || true
            # The recorded vectors' metafiles seed the metafile target.
            if [[ $target == metafile ]]; then
                cp -n ../shared/platform/vectors/meta_user/*.{wmf,emf} "$work"/ 2>/dev/null || true
            fi
            artifacts="build-fuzz/artifacts-$target"
            rm -rf "$artifacts" && mkdir -p "$artifacts"
            echo "zelt: fuzzing '$target' for $seconds s"
            "build-fuzz/bin/fuzz_$target" "$work" -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=4096 \
                -print_final_stats=1 -artifact_prefix="$artifacts/" >"build-fuzz/fuzz-$target.log" 2>&1 || true
            grep -E "^stat::(number_of_executed_units|new_units_added|peak_rss_mb)|^#[0-9]+ +DONE" \
                "build-fuzz/fuzz-$target.log" || true
            if compgen -G "$artifacts/*" >/dev/null; then
                for found in "$artifacts"/*; do cp "$found" "$kept/regression-$(basename "$found")"; done
                grep -A12 "==ERROR\|^SUMMARY" "build-fuzz/fuzz-$target.log" >&2 || true
                echo "zelt: '$target' found failing inputs; kept in $kept for the replay test" >&2
                exit 1
            fi
        done
        ;;
    bench)
        install_missing "${BENCH_PACKAGES[@]}"
        build bench
        shift
        ./build-bench/bin/zelt_peers "$@"
        ;;
    test)
        install_missing "${PACKAGES[@]}"
        build default
        run_tests default
        build asan
        run_tests asan
        ;;
    *)
        echo "usage: $0 demo|test|test-windows|coverage|fuzz SECONDS|bench [OPTIONS]|deps" >&2
        exit 2
        ;;
esac
