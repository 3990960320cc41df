# Sourced by bench/*/run.sh: what the benchmarks share. After sourcing, the working
# folder is the source tree's root and ROOT names it. Windows programs run through
# tools/wine-run, in the Wine environment of tools/wine-env.sh.
#
#   qz_bench_build BUILD [-DNAME=VALUE...] TARGET...
#                             configures BUILD (preset win64, with the given settings)
#                             when it is new, and builds the targets there
#   qz_bench_exe NAME         prints the full path of NAME.exe built in BUILD
#   qz_bench_scratch NAME     sets WORK to a fresh folder in memory (/dev/shm) where
#                             there is one, else under TMPDIR; removed at exit
#   qz_bench_wine             keeps Wine up until the script ends (tools/wine-run --anchor)
#   qz_bench_session          the same, with a display for GUI programs: Xvfb, unless
#                             QZ_KEEP_DISPLAY is set and DISPLAY given (tools/test-session.sh)
#   qz_bench_server DIR [PORT]
#                             the local test server (tests/support/test_server.py) on PORT
#                             (default: a free one), serving DIR until the script ends;
#                             sets PORT
#   qz_bench_at_exit COMMAND  runs COMMAND when the script ends (the last registered first)
cd "$(dirname "${BASH_SOURCE[0]}")/.."
ROOT=$PWD
QZ_BENCH_BUILD=

QZ_BENCH_EXIT_COMMANDS=()
qz_bench_at_exit() {
    QZ_BENCH_EXIT_COMMANDS=("$1" "${QZ_BENCH_EXIT_COMMANDS[@]}")
}
qz_bench_exit() {
    local command
    for command in "${QZ_BENCH_EXIT_COMMANDS[@]}"; do
        eval "$command" || true
    done
}
trap qz_bench_exit EXIT

qz_bench_build() {
    QZ_BENCH_BUILD=$1
    shift
    local settings=() targets=()
    for word in "$@"; do
        case "$word" in
        -D*) settings+=("$word") ;;
        *) targets+=("$word") ;;
        esac
    done
    echo "== building the benchmark programs in $QZ_BENCH_BUILD"
    if [ ! -f "$QZ_BENCH_BUILD/CMakeCache.txt" ] || [ ${#settings[@]} -gt 0 ]; then
        cmake --preset win64 -B "$QZ_BENCH_BUILD" "${settings[@]}" >/dev/null
    fi
    cmake --build "$QZ_BENCH_BUILD" -j2 --target "${targets[@]}" >/dev/null
}

qz_bench_exe() {
    local found
    found=$(find "$QZ_BENCH_BUILD" -name "$1.exe" -not -path '*/CMakeFiles/*' | head -n1)
    if [ -z "$found" ]; then
        echo "bench: $1.exe is not built in $QZ_BENCH_BUILD" >&2
        return 1
    fi
    echo "$(cd "$(dirname "$found")" && pwd)/$(basename "$found")"
}

qz_bench_scratch() {
    local base=${TMPDIR:-/tmp}
    if [ -d /dev/shm ] && [ -w /dev/shm ]; then base=/dev/shm; fi
    WORK=$(mktemp -d "$base/qz-bench-$1.XXXXXX")
    qz_bench_at_exit "rm -rf '$WORK'"
}

qz_bench_wine() {
    local answer
    answer=$("$ROOT/tools/wine-run" --anchor) || { echo "(no Wine anchor: each Wine start may take longer)"; return 0; }
    case "$answer" in
    started\ *) qz_bench_at_exit "'$ROOT/tools/wine-run' --anchor-stop ${answer#started }" ;;
    esac
}

qz_bench_session() {
    source "$ROOT/tools/test-session.sh"
    qz_session_start
    qz_bench_at_exit qz_session_stop
}

qz_bench_server() {
    local state
    state=$(mktemp -d "${TMPDIR:-/tmp}/qz-bench-server.XXXXXX")
    qz_bench_at_exit "rm -rf '$state'"
    PORT=$(python3 "$ROOT/tests/support/test_server.py" start --root "$1" --port "${2:-0}" --state "$state")
    qz_bench_at_exit "python3 '$ROOT/tests/support/test_server.py' stop --state '$state'"
}
