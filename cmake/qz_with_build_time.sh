#!/bin/sh
# qz_with_build_time.sh FILE COMMAND...: runs COMMAND with SOURCE_DATE_EPOCH set to the
# build time written in FILE (none when FILE is empty). The build rules call the compilers,
# the linker and objcopy through it, so their command lines stay the same when the time
# changes, and only what depends on FILE is built again.
time=$(cat "$1") || exit 1
shift
if [ -n "$time" ]; then
    SOURCE_DATE_EPOCH=$time
    export SOURCE_DATE_EPOCH
fi
exec "$@"
