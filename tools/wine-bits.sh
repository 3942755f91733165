# Sourced: wine32_runs succeeds where the 32-bit Wine loader starts. QUORVEL_WINE_PRESET is
# win32 there, else win64 (some kernels run no 32-bit code at all, and tools/setup.sh could
# not hand it to an emulator; the 64-bit build of the same sources then stands in under
# Wine). QUORVEL_I386_EMULATED is 1 where 32-bit programs run through an emulator registered
# in binfmt_misc, else 0.
wine32_runs() {
  timeout 120 /usr/lib/wine/wine --version >/dev/null 2>&1
}
if wine32_runs; then
  QUORVEL_WINE_PRESET=win32
else
  QUORVEL_WINE_PRESET=win64
fi
QUORVEL_I386_EMULATED=0
for entry in /proc/sys/fs/binfmt_misc/*; do
  # An enabled rule for i386 ELF programs (the magic up to e_machine 3).
  if grep -qx enabled "$entry" 2>/dev/null &&
     grep -q '^magic 7f454c460101010.*0300$' "$entry" 2>/dev/null; then
    QUORVEL_I386_EMULATED=1
  fi
done
