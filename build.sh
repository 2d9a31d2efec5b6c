#!/bin/sh
# Sets up a Debian 12 machine (as root), builds, and runs the game or the tests.
#   ./build.sh run    build and start the program
#   ./build.sh test   build and run every test, plain and under the sanitizers
#   ./build.sh fuzz   run every fuzz target (clang, libFuzzer) and grow the checked-in corpora
set -eu
cd "$(dirname "$0")"

PACKAGES="cmake ninja-build g++ libgtest-dev libsdl1.2-dev libsdl-net1.2-dev libsdl-mixer1.2-dev gettext libfreetype-dev libinih-dev libasio-dev fonts-dejavu-core iproute2 xvfb xdotool imagemagick python3 libxtst-dev lintian desktop-file-utils appstream dpkg-dev groff-base libsqlite3-dev libsodium-dev libpq-dev postgresql"

install_missing() {
    missing=""
    for p in $PACKAGES; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing="$missing $p"
    done
    [ -z "$missing" ] && return 0
    echo "Installing:$missing"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends $missing
}

# configure <dir> [cmake options...]: configures once; compiles through ccache where there is one.
configure() {
    dir=$1
    shift
    launcher=""
    command -v ccache >/dev/null && launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
    [ -f "$dir/build.ninja" ] || cmake -S . -B "$dir" -G Ninja $launcher "$@"
}

# build <dir> [cmake options...]: configures once, then only rebuilds what changed.
build() {
    configure "$@"
    cmake --build "$1" --parallel "$(nproc)"
}

# Runs a command in a network namespace of its own, where loopback is the only interface:
# nothing a test starts can send a packet off this machine.
own_network() {
    unshare -n sh -c 'ip link set lo up && exec "$@"' sh "$@"
}

# The fuzz build needs clang and its libFuzzer; nothing else does.
[ "${1:-}" = fuzz ] && PACKAGES="$PACKAGES clang libclang-rt-14-dev"
install_missing
case "${1:-}" in
run)
    build build
    # The game reads its card sheet and fonts from its working directory.
    cd build
    exec ./velmora
    ;;
test)
    jobs=$(nproc)
    # Every test program under ASan and UBSan: the window's local games too.
    build build-asan -DCMAKE_BUILD_TYPE=Debug "-DVELMORA_SANITIZE=address;undefined"
    # One more test than cores: the window's test and the network tests mostly wait.
    ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp" \
        own_network ctest --test-dir build-asan --output-on-failure -j "$((jobs + 1))"
    # The network layer and everything that runs it on threads, under ThreadSanitizer: only
    # their test programs are built.
    configure build-tsan -DCMAKE_BUILD_TYPE=Debug -DVELMORA_SANITIZE=thread
    cmake --build build-tsan --parallel "$jobs" --target net2_test exchange_test framing_test \
        rejoin_test
    TSAN_OPTIONS="halt_on_error=1 suppressions=$PWD/tests/tsan.supp" \
        own_network ctest --test-dir build-tsan --output-on-failure -j "$jobs" \
        -R '^(Net2|Net2Lifecycle|Served|ServerMode|Exchange|FastEvents|GameSearch|Rejoin)\.'
    # Every test program has run above; the plain build makes only what ships and what drives the
    # real window, which is played in full and installed.
    # What ships needs no debug information, and building it only lengthens the run.
    configure build "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -DNDEBUG"
    cmake --build build --parallel "$jobs" --target velmora velmora-referee velmora-player \
        velmora-selfplay velmora-server velmora_assets velmora_sounds velmora_catalogues velmora_documents \
        close_window text_strip
    # The window test's three parts mostly wait for the window: they and the install test run
    # all at once.
    own_network ctest --test-dir build --output-on-failure -j 4 -R '^(Window|Install)\.'
    ;;
fuzz)
    # Each fuzz target under libFuzzer with ASan and UBSan for FUZZ_SECONDS (300) on its corpus;
    # inputs that reach new code are merged, minimised, into fuzz/corpus. FUZZ_TARGETS picks some.
    CC=clang CXX=clang++ build build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_FUZZ=ON \
        "-DVELMORA_SANITIZE=address;undefined"
    for t in ${FUZZ_TARGETS:-tokens_modify referee local_game client framing loaders kept_files datagrams lobby}; do
        mkdir -p "build-fuzz/work/$t"
        SDL_VIDEODRIVER=dummy "./build-fuzz/fuzz-$t" -max_total_time="${FUZZ_SECONDS:-300}" \
            -timeout=10 "build-fuzz/work/$t" "fuzz/corpus/$t"
        SDL_VIDEODRIVER=dummy "./build-fuzz/fuzz-$t" -merge=1 "fuzz/corpus/$t" "build-fuzz/work/$t"
    done
    ;;
*)
    echo "usage: $0 run|test|fuzz" >&2
    exit 2
    ;;
esac
