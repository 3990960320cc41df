#!/usr/bin/env bash
# Builds the launcher and runs it for real:
#  - lays out a demo client folder (build/demo/client) with both kinds of server,
#    whose client programs are stand-ins that show which program of which folder started;
#  - publishes a newer launcher (1.0.0.3) on a local update server (127.0.0.1:18480);
#  - runs the launcher (1.0.0.2) in a window on your display when there is one, else
#    under Xvfb, where it takes screenshots of the window at rest and with a button
#    hovered and then clicks the experience server's button;
#  - says what happened: which program started, what the self-update did, where the log is.
# Options: --xvfb  run under Xvfb even when a display is available.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD

USE_XVFB=0
case "${1:-}" in
"") ;;
--xvfb) USE_XVFB=1 ;;
-h|--help) awk 'NR > 1 && !/^#/ { exit } NR > 1 { sub(/^# ?/, ""); print }' "$0"; exit 0 ;;
*) echo "demo: unknown argument $1 (options: --xvfb, --help)" >&2; exit 2 ;;
esac
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then USE_XVFB=1; fi

bash tools/setup.sh
# The 32-bit release build: the launcher's code as players get it, pointed at the demo's
# local update server. Without 32-bit support the demo falls back to the 64-bit build.
source tools/probe-32bit.sh
PRESET=win32
if ! reason=$(qz_probe_32bit) || ! qz_have_wine32; then
    echo "!! THIS MACHINE CANNOT RUN THE 32-BIT RELEASE BUILD (${reason:-wine32:i386 is not installed}): the demo runs the 64-bit build"
    PRESET=win64
fi
# Throwaway signing keys: the demo launcher takes only updates signed with the main key
# or the backup key; the demo publishes with the main key.
KEYS=$ROOT/build/keys
PUBLIC_KEY=$(bash tools/throwaway-key.sh "$KEYS")
BACKUP_PUBLIC_KEY=$(bash tools/throwaway-key.sh "$KEYS" update_backup_key)
echo "== building the launcher (preset $PRESET, update key $PUBLIC_KEY, backup key $BACKUP_PUBLIC_KEY)"
cmake --preset "$PRESET" -DQZ_UPDATE_PUBLIC_KEY_FILE="$PUBLIC_KEY" \
      -DQZ_UPDATE_BACKUP_PUBLIC_KEY_FILE="$BACKUP_PUBLIC_KEY" >/dev/null
cmake --build --preset "$PRESET" -j"$(nproc)" --target ArdunLauncherDemo ArdunLauncherDemoNext client_standin_demo qz_wine_anchor

BUILD=$ROOT/build/$PRESET
DEMO=$BUILD/demo
CLIENT=$DEMO/client
SERVER_ROOT=$DEMO/server
rm -rf "$CLIENT" "$SERVER_ROOT" "$DEMO/screenshots"
mkdir -p "$CLIENT/bin/zhcn" "$CLIENT/bin/zhcn_exp" "$SERVER_ROOT/ardunlauncher" "$DEMO/screenshots"

echo "== laying out the demo client folder $CLIENT"
# Launchers are Authenticode-signed, then published: here with a throwaway certificate.
CODESIGN_CERT=$(bash tools/throwaway-codesign.sh "$KEYS")
sign() { bash tools/sign-release.sh --cert "$CODESIGN_CERT" --key "$KEYS/codesign_key.pem" "$@"; }
sign "$DEMO/current/ArdunLauncher.exe" "$CLIENT/ArdunLauncher.exe"
for folder in zhcn zhcn_exp; do
    cp "$BUILD/tools/client_standin/client_standin_demo.exe" "$CLIENT/bin/$folder/clientpatch.exe"
    cp "$BUILD/tools/client_standin/client_standin_demo.exe" "$CLIENT/bin/$folder/ClientSetup.exe"
done
ORIGINAL_MD5=$(md5sum < "$CLIENT/ArdunLauncher.exe" | cut -d' ' -f1)

echo "== publishing launcher 1.0.0.3 on the local update server, signed"
mkdir -p "$DEMO/next-signed"
sign "$DEMO/next/ArdunLauncher.exe" "$DEMO/next-signed/ArdunLauncher.exe"
python3 tools/publish_update.py "$DEMO/next-signed/ArdunLauncher.exe" "$SERVER_ROOT/ardunlauncher" \
    --sign-key "$KEYS/update_key.pem" --public-key "$PUBLIC_KEY"
NEW_MD5=$(md5sum < "$DEMO/next-signed/ArdunLauncher.exe" | cut -d' ' -f1)
python3 tests/support/test_server.py start --root "$SERVER_ROOT" --port 18480 --state "$DEMO/server" >/dev/null

export QZ_WINE_ANCHOR=$BUILD/tools/wine_anchor/qz_wine_anchor.exe
if [ $USE_XVFB = 1 ]; then
    unset QZ_KEEP_DISPLAY
else
    export QZ_KEEP_DISPLAY=1
fi
source tools/test-session.sh
cleanup() {
    python3 tests/support/test_server.py stop --state "$DEMO/server" || true
    qz_session_stop
}
trap cleanup EXIT
qz_session_start

echo "== starting the launcher on display $DISPLAY"
( cd "$CLIENT" && exec wine ArdunLauncher.exe ) &
LAUNCHER_PID=$!

if [ $USE_XVFB = 1 ]; then
    WID=""
    for _ in $(seq 1 150); do
        WID=$(xdotool search --onlyvisible --name '^Ardun$' 2>/dev/null | head -n1 || true)
        [ -n "$WID" ] && break
        sleep 0.2
    done
    if [ -z "$WID" ]; then
        echo "the launcher window did not appear" >&2
        exit 1
    fi
    sleep 1
    eval "$(xdotool getwindowgeometry --shell "$WID")"
    echo "launcher window: ${WIDTH} x ${HEIGHT} at ${X},${Y}"
    import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" "$DEMO/screenshots/launcher-at-rest.png"
    xdotool mousemove $((X + 130)) $((Y + 127))
    sleep 1.5
    import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" "$DEMO/screenshots/launcher-experience-hovered.png"
    echo "clicking the experience server's button"
    xdotool click 1
    sleep 4
    import -window root "$DEMO/screenshots/after-click.png"
    STANDIN=$(xdotool search --onlyvisible --name 'clientpatch.exe' 2>/dev/null | head -n1 || true)
    [ -n "$STANDIN" ] && xdotool windowclose "$STANDIN" 2>/dev/null || true
else
    echo "choose a server in the launcher window (or close it); waiting for the launcher to end"
fi
wait "$LAUNCHER_PID" || true

echo
echo "== what happened"
for record in "$CLIENT"/bin/*/*.record.txt; do
    [ -e "$record" ] || continue
    echo "started: $(grep '^program=' "$record" | tail -n1 | cut -d= -f2- | tr -d '\r')"
    echo "  working directory: $(grep '^working_directory=' "$record" | tail -n1 | cut -d= -f2- | tr -d '\r')"
done
ls "$CLIENT"/bin/*/*.record.txt >/dev/null 2>&1 || echo "no client program was started"
NOW_MD5=$(md5sum < "$CLIENT/ArdunLauncher.exe" | cut -d' ' -f1)
if [ "$NOW_MD5" = "$NEW_MD5" ]; then
    echo "self-update: ArdunLauncher.exe was replaced by the published 1.0.0.3 (it takes effect at the next start)"
elif [ "$NOW_MD5" = "$ORIGINAL_MD5" ]; then
    echo "self-update: ArdunLauncher.exe is unchanged (see the log for the reason)"
else
    echo "self-update: ArdunLauncher.exe changed to an unknown file!"
fi
echo "update server requests:"
curl -s "http://127.0.0.1:18480/__requests" | sed 's/^/  /' || true
LOG=$(find "$CLIENT/Logs" -name '*.log' | sort | tail -n1)
echo "log: $LOG"
sed 's/^/  /' "$LOG"
if [ $USE_XVFB = 1 ]; then
    echo "screenshots: $DEMO/screenshots/"
fi
