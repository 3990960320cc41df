# Sourced by the test and demo commands: starts (and later stops) an Xvfb display
# when none is given, and one wineserver that lives for the whole run, so that each
# Wine process starts in about a second.
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
    source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "preparing the Wine prefix $WINEPREFIX"
        wineboot -i >/dev/null 2>&1 || true
    fi
    # A wineserver may already serve this prefix; -p keeps one alive either way.
    wineserver -p 2>/dev/null || true
    # Wine's own services start with the first program and inherit its standard
    # handles: start them from a program with none, which lives for the whole run, so
    # no test's output pipe is held open by them after the test ends.
    local anchor
    anchor=${QZ_WINE_ANCHOR:-$(find "$(dirname "${BASH_SOURCE[0]}")/../build" -maxdepth 4 -name qz_wine_anchor.exe \
                                   -not -path '*/CMakeFiles/*' 2>/dev/null | head -n1)}
    if [ -n "$anchor" ]; then
        setsid wine "$anchor" </dev/null >/dev/null 2>&1 &
        wine cmd.exe /c exit </dev/null >/dev/null 2>&1 || true
    fi
}

qz_session_stop() {
    wineserver -k 2>/dev/null || true
    if [ -n "${QZ_XVFB_PID:-}" ]; then
        kill "$QZ_XVFB_PID" 2>/dev/null || true
        wait "$QZ_XVFB_PID" 2>/dev/null || true
    fi
}
