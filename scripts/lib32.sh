# shellcheck shell=bash
# What this machine can do with 32-bit x86 programs; sourced by the scripts
# that set it up and by those that run such programs.

is_installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

has_multilib() { is_installed g++-multilib; }

# Whether a 32-bit Linux program runs: the kernel's own support, or an
# emulator registered with binfmt_misc.
runs_linux32() {
    local probe status=0
    probe=$(mktemp -d)
    printf 'int main(void) { return 0; }\n' | gcc -m32 -x c - -o "$probe/probe" 2>/dev/null && "$probe/probe" 2>/dev/null || status=1
    rm -rf "$probe"
    return "$status"
}

has_wine32() { is_installed wine32:i386 && [ -x /usr/lib/wine/wine ]; }

# Whether 32-bit x86 programs run through qemu-i386-static rather than natively.
emulates_i386() { grep -qs '^enabled' /proc/sys/fs/binfmt_misc/qemu-i386; }
