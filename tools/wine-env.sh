# Sourced by every script that runs Windows programs: the one place that sets the
# Wine environment of the project.
#
# The prefix lives under build/wine/, one per set of installed Wine loaders: a prefix
# made while only wine64 was installed cannot start any program once wine32 is added
# ("could not load kernel32.dll"), so a change of loaders gets a fresh prefix instead
# of reusing the old one. QZ_WINEPREFIX overrides the choice.

qz_wine_loader_key() {
    # The installed loaders and their versions, e.g. "wine32:i386=8.0 wine64:amd64=8.0".
    local loaders
    loaders=$(dpkg-query -W -f='${Package}:${Architecture}=${Version} ' wine32:i386 wine64 2>/dev/null || true)
    [ -n "$loaders" ] || loaders=$(ls /usr/lib/wine 2>/dev/null | tr '\n' ' ')
    printf '%s' "$loaders" | md5sum | cut -c1-12
}

qz_wine_env() {
    local root
    root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
    if [ -z "${QZ_WINEPREFIX:-}" ]; then
        QZ_WINEPREFIX=$root/build/wine/prefix-$(qz_wine_loader_key)
    fi
    export QZ_WINEPREFIX
    export WINEPREFIX="$QZ_WINEPREFIX"
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml="
    # Wine takes its ANSI code page from the locale, at each program's start:
    # zh_CN.UTF-8 gives code page 936; QZ_WINE_LOCALE picks another (C.UTF-8 gives 1252).
    export LC_ALL=${QZ_WINE_LOCALE:-zh_CN.UTF-8}
    export WINEARCH=win64
    mkdir -p "$(dirname "$QZ_WINEPREFIX")"
}

qz_wine_env
