# Sourced by the set-up and the test command: can this machine execute 32-bit x86 code?
# qz_probe_32bit prints nothing and succeeds when it can; otherwise it prints the reason
# in one line and fails. It assembles and runs a program that only exits with status 0.
qz_probe_32bit() {
    local work status
    if ! command -v as >/dev/null || ! command -v ld >/dev/null; then
        echo "no assembler and linker (binutils) to build the 32-bit probe"
        return 1
    fi
    work=$(mktemp -d)
    printf '.globl _start\n_start:\n movl $1, %%eax\n xorl %%ebx, %%ebx\n int $0x80\n' >"$work/probe.s"
    if ! as --32 -o "$work/probe.o" "$work/probe.s" 2>"$work/err" ||
       ! ld -m elf_i386 -o "$work/probe" "$work/probe.o" 2>>"$work/err"; then
        echo "cannot build a 32-bit program: $(head -n1 "$work/err")"
        rm -rf "$work"
        return 1
    fi
    status=0
    "$work/probe" 2>"$work/err" || status=$?
    if [ $status != 0 ]; then
        echo "the kernel does not run 32-bit programs (a 32-bit probe exited with $status: $(head -n1 "$work/err"))"
        rm -rf "$work"
        return 1
    fi
    rm -rf "$work"
    return 0
}

# Whether Wine can start 32-bit Windows programs: the wine32 loader is installed.
qz_have_wine32() {
    dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed"
}
