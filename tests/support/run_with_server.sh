#!/usr/bin/env bash
# Runs a test program beside the local HTTP test server:
#   run_with_server.sh [emulator] <program> [arguments...]
# Starts tests/support/http_test_server.py on 127.0.0.1 (on QZ_TEST_SERVER_PORT when set,
# otherwise on a free port) with a fresh data folder, exports QZ_TEST_SERVER_PORT and
# QZ_TEST_SERVER_DIR to the program, runs it, stops the server and returns the
# program's exit code.
set -u
here=$(cd "$(dirname "$0")" && pwd)

work=$(mktemp -d "${TMPDIR:-/tmp}/qz-test-server.XXXXXX")
data_dir=$work/data
mkdir -p "$data_dir"
port_file=$work/port

python3 "$here/http_test_server.py" --root "$data_dir" --port "${QZ_TEST_SERVER_PORT:-0}" \
    --port-file "$port_file" >"$work/server.log" 2>&1 &
server_pid=$!

stop_server() {
    if [ -n "${server_pid:-}" ]; then
        kill "$server_pid" 2>/dev/null
        wait "$server_pid" 2>/dev/null
        server_pid=
    fi
    rm -rf "$work"
}
trap stop_server EXIT
trap 'exit 130' INT TERM

for _ in $(seq 1 100); do
    [ -s "$port_file" ] && break
    if ! kill -0 "$server_pid" 2>/dev/null; then break; fi
    sleep 0.1
done
if [ ! -s "$port_file" ]; then
    echo "run_with_server: the test server did not start:" >&2
    cat "$work/server.log" >&2
    exit 1
fi

export QZ_TEST_SERVER_PORT
QZ_TEST_SERVER_PORT=$(cat "$port_file")
export QZ_TEST_SERVER_DIR=$data_dir
echo "run_with_server: test server on 127.0.0.1:$QZ_TEST_SERVER_PORT, data folder $data_dir"

"$@"
rc=$?
if [ $rc -ne 0 ] && [ -s "$work/server.log" ]; then
    echo "run_with_server: test server output:" >&2
    cat "$work/server.log" >&2
fi
exit $rc
