# Sourced by the scripts that build and run the Windows program: decides
# which Windows build this machine tests and runs.
#
# The product is the 32-bit program. Some x86-64 machines cannot run 32-bit
# code at all (no IA-32 emulation in the kernel), so Wine's 32-bit loader
# cannot start there; those test and run the same tree as a 64-bit Windows
# program. ZINTU_ARCH=x86_64 (or i686) forces the choice.
#
# Sets ZINTU_RUN_ARCH (i686 or x86_64), ZINTU_OTHER_ARCH, ZINTU_ARCH_REASON,
# and zintu_build_dir ARCH / zintu_toolchain ARCH.
zintu_build_dir() { case $1 in i686) echo "$build/win32" ;; x86_64) echo "$build/win64" ;; esac; }
zintu_toolchain() { echo "$root/cmake/mingw-$1.cmake"; }

case ${ZINTU_ARCH:-} in
  x86_64 | i686)
    ZINTU_RUN_ARCH=$ZINTU_ARCH
    ZINTU_ARCH_REASON="ZINTU_ARCH=$ZINTU_ARCH asks for it"
    ;;
  '')
    # Exit code 126 ("Exec format error") means the kernel runs no 32-bit code.
    if /usr/lib/wine/wine --version >/dev/null 2>&1; then
      ZINTU_RUN_ARCH=i686
      ZINTU_ARCH_REASON="this machine runs 32-bit programs"
    else
      ZINTU_RUN_ARCH=x86_64
      ZINTU_ARCH_REASON="this machine cannot run 32-bit programs (Wine's 32-bit loader does not start)"
    fi
    ;;
  *)
    echo "ZINTU_ARCH must be i686 or x86_64, not '$ZINTU_ARCH'" >&2
    exit 2
    ;;
esac
if [ "$ZINTU_RUN_ARCH" = i686 ]; then ZINTU_OTHER_ARCH=x86_64; else ZINTU_OTHER_ARCH=i686; fi
export ZINTU_RUN_ARCH
