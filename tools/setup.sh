#!/usr/bin/env bash
# Installs what building and testing the launcher needs, only when something is missing.
set -euo pipefail

PACKAGES=(g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64-x86-64
          binutils-mingw-w64-i686 cmake make wine wine64 xvfb xauth xdotool imagemagick
          fonts-wqy-microhei googletest python3 python3-xlib clang libclang-rt-14-dev locales curl
          openssl coreutils x11-utils binutils
          python3-pefile python3-cryptography ca-certificates osslsigncode)

missing=()
for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

SUDO=""
if [ "$(id -u)" != 0 ]; then SUDO="sudo"; fi

if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Wine takes its ANSI code page from the Unix locale: zh_CN.UTF-8 gives code page 936.
if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf-\?8$'; then
    echo "setup: generating locale zh_CN.UTF-8"
    if [ -f /etc/locale.gen ]; then
        $SUDO sed -i 's/^# *\(zh_CN.UTF-8 UTF-8\)/\1/' /etc/locale.gen
        grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
        $SUDO locale-gen >/dev/null
    else
        $SUDO localedef -i zh_CN -f UTF-8 zh_CN.UTF-8
    fi
fi
# The release build is 32-bit: its tests need Wine's 32-bit loader, when the machine can
# run 32-bit code at all.
source "$(dirname "$0")/probe-32bit.sh"
if reason=$(qz_probe_32bit); then
    if ! qz_have_wine32; then
        echo "setup: installing wine32:i386 for the 32-bit release build's tests"
        dpkg --print-foreign-architectures | grep -qx i386 || $SUDO dpkg --add-architecture i386
        $SUDO apt-get update -qq
        DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends wine32:i386 >/dev/null
    fi
else
    echo "setup: THIS MACHINE CANNOT RUN 32-BIT CODE ($reason): wine32 not installed, the 32-bit tests will be skipped"
fi
echo "setup: toolchain ready"
