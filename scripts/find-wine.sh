# Sourced by the scripts that run Windows programs: sets wine and wineserver to the 64-bit
# loader and its server (Debian keeps them off PATH), or fails saying what to install.
find_wine() {
  wine=""
  for candidate in /usr/lib/wine/wine64 "$(command -v wine64 || true)" "$(command -v wine || true)"; do
    if [ -n "$candidate" ] && [ -x "$candidate" ]; then wine=$candidate; break; fi
  done
  wineserver=""
  for candidate in /usr/lib/wine/wineserver64 /usr/lib/wine/wineserver "$(command -v wineserver || true)"; do
    if [ -n "$candidate" ] && [ -x "$candidate" ]; then wineserver=$candidate; break; fi
  done
  if [ -z "$wine" ] || [ -z "$wineserver" ]; then
    echo "wine64 is not installed (scripts/install-deps.sh installs it)" >&2
    return 1
  fi
}
