# Sourced by the test, benchmark and demo commands: starts (and later stops) an Xvfb
# display when none is given, and one wineserver with Wine's anchor program (tools/wine-run
# --anchor) that live for the whole run, so that each Wine process starts in about a second.
qz_session_start() {
    if [ -z "${QZ_KEEP_DISPLAY:-}" ] || [ -z "${DISPLAY:-}" ]; then
        local fd_file
        fd_file=$(mktemp)
        Xvfb -displayfd 1 -screen 0 1280x1024x24 -nolisten tcp >"$fd_file" 2>/dev/null &
        QZ_XVFB_PID=$!
        for _ in $(seq 1 100); do
            [ -s "$fd_file" ] && break
            sleep 0.1
        done
        export DISPLAY=":$(head -n1 "$fd_file")"
        rm -f "$fd_file"
    fi
    local tools
    tools=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
    source "$tools/wine-env.sh"
    # The anchor program, and with it the wineserver and Wine's services, lives until
    # qz_session_stop.
    "$tools/wine-run" --anchor >/dev/null || echo "(no Wine anchor: each Wine start may take longer)"
}

qz_session_stop() {
    wineserver -k 2>/dev/null || true
    if [ -n "${QZ_XVFB_PID:-}" ]; then
        kill "$QZ_XVFB_PID" 2>/dev/null || true
        wait "$QZ_XVFB_PID" 2>/dev/null || true
    fi
}
