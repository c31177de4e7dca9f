#!/usr/bin/env bash
# Installs everything the build and the tests need on Debian 12; safe to run again.
set -euo pipefail

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

need_pkgs=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
    NEED_UPDATE=1
fi

for p in mingw-w64 g++-mingw-w64-i686-posix cmake make googletest wine wine32:i386 xvfb xauth \
         locales x11-apps imagemagick xdotool fonts-wine fonts-ipafont-gothic \
         fp-utils p7zip-full nsis python3 clang-14 libclang-rt-14-dev; do
    have "$p" || need_pkgs+=("$p")
done

if [ "${#need_pkgs[@]}" -gt 0 ]; then
    export DEBIAN_FRONTEND=noninteractive
    $SUDO apt-get update -q
    $SUDO apt-get install -y -q --no-install-recommends "${need_pkgs[@]}"
fi

# Code page 932 under Wine needs the generated Japanese UTF-8 locale.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP.utf8$'; then
    $SUDO localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
fi
if ! locale -a 2>/dev/null | grep -qi '^en_US.utf8$'; then
    $SUDO localedef -i en_US -f UTF-8 en_US.UTF-8
fi
