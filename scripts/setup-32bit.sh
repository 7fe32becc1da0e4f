#!/usr/bin/env bash
# Makes this machine run 32-bit x86 programs, Linux and Windows ones, for the
# native32 preset and the i686 Windows programs' tests:
#   - the -m32 compilers (g++-multilib);
#   - 32-bit Linux programs: where the kernel can't run them itself, Debian's
#     qemu-i386-static registered with binfmt_misc for 32-bit x86 ELF files;
#   - 32-bit Windows programs: the i386 architecture and Debian's wine32:i386.
# Each step is taken only where it is missing and only as root; a step that
# can't be taken is reported as skipped, and scripts/test.sh skips the tests
# that need it. Usage: scripts/setup-32bit.sh
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib32.sh

skipped() { echo "32-bit set-up skipped: $*" >&2; }
is_root() { [ "$(id -u)" -eq 0 ]; }

binfmt=/proc/sys/fs/binfmt_misc
# 32-bit x86 ELF executables, position-independent ones included (e_type 2 or 3).
i386_magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
i386_mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'

# Flag F opens the interpreter now, so it also serves programs started in
# another mount namespace or chroot.
register_qemu_i386() {
    if [ ! -e "$binfmt/register" ] && ! mount -t binfmt_misc binfmt_misc "$binfmt" 2>/dev/null; then
        skipped "binfmt_misc cannot be mounted here, so no emulator can be registered"
        return 1
    fi
    scripts/install-deps.sh qemu-user-static
    if [ -e "$binfmt/qemu-i386" ]; then
        echo 1 >"$binfmt/qemu-i386"
    else
        printf ':qemu-i386:M::%s:%s:/usr/bin/qemu-i386-static:F' "$i386_magic" "$i386_mask" >"$binfmt/register"
    fi
}

setup_linux32() {
    if ! has_multilib; then
        if ! is_root; then
            skipped "g++-multilib is missing (run as root to install it)"
            return 1
        fi
        scripts/install-deps.sh g++-multilib
    fi
    if runs_linux32; then return 0; fi
    if ! is_root; then
        skipped "this kernel does not run 32-bit x86 programs (run as root to register qemu-i386-static)"
        return 1
    fi
    register_qemu_i386 || return 1
    if ! runs_linux32; then
        skipped "a 32-bit x86 program still does not run after registering qemu-i386-static"
        return 1
    fi
    echo "32-bit x86 programs run through qemu-i386-static (binfmt_misc)"
}

setup_wine32() {
    if has_wine32; then return 0; fi
    if ! is_root; then
        skipped "wine32:i386 is missing (run as root to add the i386 architecture and install it)"
        return 1
    fi
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386
        # The i386 package lists come with the next update, which
        # install-deps.sh runs since wine32:i386 is missing.
    fi
    scripts/install-deps.sh wine64 wine32:i386
}

if setup_linux32; then
    setup_wine32 || true
else
    skipped "32-bit Windows programs need 32-bit Linux ones first"
fi
