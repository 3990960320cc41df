#!/usr/bin/env bash
# Runs a test program beside the local HTTP test server:
#   run_with_server.sh [emulator] <program> [arguments...]
# The server (tests/support/test_server.py) serves a fresh data folder on 127.0.0.1, on
# QZ_TEST_SERVER_PORT when set, otherwise on a free port; the program gets
# QZ_TEST_SERVER_PORT and QZ_TEST_SERVER_DIR, and its exit code is returned.
exec python3 "$(dirname "$0")/test_server.py" run --port "${QZ_TEST_SERVER_PORT:-0}" -- "$@"
