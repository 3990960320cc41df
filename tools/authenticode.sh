# Sourced by the release scripts.
#   qz_signature_bytes EXE   prints the size of EXE's Authenticode certificate table (0:
#                            unsigned), read from the PE header's fifth data directory;
#                            fails when EXE is no PE image
qz_signature_bytes() {
    local size
    size=$(objdump -p "$1" 2>/dev/null | awk '$1 == "Entry" && $2 == "4" && /Security Directory/ {print $4}')
    [ -n "$size" ] || return 1
    echo $((16#$size))
}
