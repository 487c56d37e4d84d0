# Sourced by the scripts: decides once whether this machine runs 32-bit
# programs. Some machines of our kind refuse 32-bit ELF programs ("Exec format
# error"); there the 32-bit Wine cannot start, and installing it (wine32:i386)
# breaks the 64-bit launchers as well. Every script asks `runs_32bit`, nothing
# else decides it (scripts/deps.sh asks `kernel_runs_32bit` too, before it
# removes wine32:i386).
#
#   QUELLOR_32BIT=no    take the 64-bit-only path on a machine that could run
#                       32-bit programs (to try that path here; its packages
#                       stay as they are)

# A 93-byte i386 ELF program that only exits with 0 (mov eax,1; xor ebx,ebx;
# int 0x80): if the kernel runs it, it runs 32-bit programs.
_tiny_elf32='f0VMRgEBAQAAAAAAAAAAAAIAAwABAAAAVIAECDQAAAAAAAAAAAAAADQAIAABAAAAAAAAAAEAAAAAAAAAAIAECACABAhdAAAAXQAAAAUAAAAAEAAAuAEAAAAx282A'

runs_32bit() {
    if [ -z "${QUELLOR_RUNS_32BIT:-}" ]; then
        QUELLOR_RUNS_32BIT=no
        if [ "${QUELLOR_32BIT:-}" != no ] && kernel_runs_32bit; then QUELLOR_RUNS_32BIT=yes; fi
        export QUELLOR_RUNS_32BIT
    fi
    [ "$QUELLOR_RUNS_32BIT" = yes ]
}

# The probe itself, whatever QUELLOR_32BIT says: only scripts/deps.sh asks,
# so that trying the 64-bit-only path here leaves the machine's packages be.
kernel_runs_32bit() {
    local probe status=0
    probe=$(mktemp)
    base64 -d <<<"$_tiny_elf32" >"$probe"
    chmod +x "$probe"
    "$probe" 2>/dev/null || status=1
    rm -f "$probe"
    return $status
}

# The MinGW builds whose programs this machine can run under Wine.
runnable_archs() {
    if runs_32bit; then echo "i686 x86_64"; else echo "x86_64"; fi
}

# The build that `make run`, the display tests and the benchmarks use: the
# 32-bit one operators get by default, where it can run.
default_arch() {
    if runs_32bit; then echo i686; else echo x86_64; fi
}

no_32bit_notice="this machine cannot run 32-bit programs: the i686 build was built but not run; its tests ran on x86_64 only"
