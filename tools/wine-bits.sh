# Sourced: QUORVEL_WINE_PRESET is win32 where 32-bit Wine runs, else win64 (some kernels run
# no 32-bit code at all; the 64-bit build of the same sources then stands in under Wine).
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
  QUORVEL_WINE_PRESET=win32
else
  QUORVEL_WINE_PRESET=win64
fi
