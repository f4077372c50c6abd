#!/usr/bin/env bash
# Installs what is missing, builds, and runs the test suite through CTest.
#
#   tools/test.sh [ctest arguments]   the whole suite (e.g. `tools/test.sh -L fast`: seconds)
#   tools/test.sh --tsan              the core and sdk tests again, built with ThreadSanitizer
#                                     (in build-tsan/, or $CORVIX_TSAN_BUILD_DIR)
#   tools/test.sh --fuzz [seconds]    the decoders' fuzz target for 60 s (needs clang; in build-fuzz/)
#
# CORVIX_WERROR=ON turns warnings in our code into errors (the CI does).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
werror=${CORVIX_WERROR:-OFF}
export QT_QPA_PLATFORM=offscreen

# The tests whose code runs on several threads of ours: camera core, video widget, libraries.
tsan_tests=(
    tst_corehelpers tst_camerapresenter tst_cameracapture tst_videoinfopace tst_savefailures
    tst_audioring tst_cameracontroller tst_videowidget tst_previewdecode
    test_qelmuxer test_qelmuxer_audiotimeline test_qeldefine test_qelaudioinput test_qelrenderqt
    test_qelconvert tst_qelds_streams tst_qelds_hotplug tst_qelds_pictures test_qelds_v4l2_library
)

configure() {  # build-dir cmake-arguments...
    local dir=$1
    shift
    local generator=()
    command -v ninja >/dev/null 2>&1 && [ ! -f "$dir/Makefile" ] && generator=(-G Ninja)
    cmake -S "$root" -B "$dir" "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
}

case "${1:-}" in
--tsan)
    "$root/tools/deps.sh"
    build=${CORVIX_TSAN_BUILD_DIR:-$root/build-tsan}
    configure "$build" -DCORVIX_TSAN=ON -DCORVIX_WERROR="$werror"
    cmake --build "$build" --parallel "$(nproc)" --target "${tsan_tests[@]}"
    cd "$build"
    # Races are failures; Qt's own (uninstrumented) internals are left out (tools/tsan.supp).
    export TSAN_OPTIONS="halt_on_error=1 exitcode=66 second_deadlock_stack=1 suppressions=$root/tools/tsan.supp"
    regex="^($(IFS='|'; echo "${tsan_tests[*]}"))\$"
    ctest --output-on-failure --timeout 900 -R "$regex"
    ;;
--fuzz)
    seconds=${2:-60}
    if ! command -v clang++ >/dev/null 2>&1; then
        echo "test.sh: no clang++, the fuzz run is skipped (apt-get install clang)" >&2
        exit 0
    fi
    "$root/tools/deps.sh"
    build=${CORVIX_FUZZ_BUILD_DIR:-$root/build-fuzz}
    CC=clang CXX=clang++ configure "$build" -DCORVIX_FUZZ=ON
    cmake --build "$build" --parallel "$(nproc)" --target fuzz_qelconvert
    corpus="$build/fuzz-corpus"
    [ -d "$corpus" ] || "$root/tests/sdk/qelconvert/fuzz/make_corpus.sh" "$corpus"
    # Findings (crash-*, leak-*, timeout-*) are written to the build folder and fail the run.
    cd "$build"
    # A fixed seed: the run CI makes is the run a developer can repeat.
    "$build/bin/fuzz_qelconvert" -seed=1 -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 "$corpus"
    ;;
*)
    "$root/tools/deps.sh"
    "$root/tools/build.sh" -DCORVIX_WERROR="$werror"
    cd "${CORVIX_BUILD_DIR:-$root/build}"
    ctest --output-on-failure --timeout 600 "$@"
    ;;
esac
