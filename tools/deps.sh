#!/usr/bin/env bash
# Installs, with apt-get, the Debian packages that building and testing Velmor need, skipping
# those already installed. Server packages are installed without starting their services and
# without configuring them: the tests run their own instances from private configuration.
set -euo pipefail

packages=(
    # both build trees; ccache compiles the objects the native and Valgrind trees share once
    cmake make g++ pkg-config ccache
    g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
    googletest
    # running the Windows build: Wine, a private X display, Japanese locale and glyphs
    wine wine64 fonts-wine xvfb xauth x11-utils locales fonts-ipafont-gothic
    # the headless demo: real clicks on the private display
    xdotool
    # real mail servers for the mail tests, run in a private network namespace
    postfix dovecot-core dovecot-pop3d iproute2 util-linux
    # TLS for the native mail library
    libssl-dev openssl
    # the mail send benchmark compares with libcurl
    libcurl4-openssl-dev
    # resources and help: drawing, sound, help compiler, screenshots
    imagemagick sox fp-utils
    # fuzzing, sanitizer runtimes, memory checking, release packaging, test scripts
    clang libclang-rt-14-dev valgrind zip unzip python3
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ "${#missing[@]}" -gt 0 ]; then
    if [ "$(id -u)" -ne 0 ]; then
        echo "deps: missing packages (run as root to install): ${missing[*]}" >&2
        exit 1
    fi
    echo "deps: installing ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    # Postfix asks how to configure the machine's mail system; the answer "No configuration"
    # leaves /etc/postfix without a main.cf, so the machine's own mail setup stays untouched.
    echo 'postfix postfix/main_mailer_type select No configuration' | debconf-set-selections
    # A policy-rc.d answering 101 keeps maintainer scripts from starting any service.
    policy=/usr/sbin/policy-rc.d
    placed_policy=0
    if [ ! -e "$policy" ]; then
        printf '#!/bin/sh\nexit 101\n' > "$policy"
        chmod 755 "$policy"
        placed_policy=1
    fi
    trap '[ "$placed_policy" = 1 ] && rm -f "$policy"' EXIT
    if ! apt-get install -y --no-install-recommends "${missing[@]}"; then
        apt-get update
        apt-get install -y --no-install-recommends "${missing[@]}"
    fi
fi

# Wine shows code page 932 only under a generated ja_JP.UTF-8 locale.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
    if [ "$(id -u)" -ne 0 ]; then
        echo "deps: the ja_JP.UTF-8 locale is missing (run as root to generate it)" >&2
        exit 1
    fi
    localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
fi
