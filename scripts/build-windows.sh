#!/usr/bin/env bash
# Cross-builds the Windows target (velmora-scan.exe, the engine and its tests) with mingw-w64
# into build/windows.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build="$top/build/windows"
jobs=${VELMORA_JOBS:-2}

cmake -G Ninja -S "$top" -B "$build" \
  -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64.cmake" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVELMORA_WERROR=ON >/dev/null
ninja -C "$build" -j"$jobs"

# A bare Windows machine has no mingw runtime: the program may only need system DLLs.
objdump=x86_64-w64-mingw32-objdump
if command -v "$objdump" >/dev/null; then
  for exe in "$build"/bin/*.exe; do
    extra=$("$objdump" -p "$exe" | sed -n 's/^\s*DLL Name: //p' |
      grep -viE '^(kernel32|user32|gdi32|advapi32|shell32|comctl32|comdlg32|riched20|riched32|ole32|msvcrt|ntdll|ws2_32|shlwapi|uxtheme|version|oleaut32|imm32|winmm)\.dll$' || true)
    if [ -n "$extra" ]; then
      echo "$(basename "$exe") needs DLLs a bare Windows lacks: $extra" >&2
      exit 1
    fi
    # 64-bit programs only (PE32+).
    if ! grep -qE '^Magic\s+020b' <<<"$("$objdump" -p "$exe")"; then
      echo "$(basename "$exe") is not a 64-bit program" >&2
      exit 1
    fi
  done
  # The dialog program is a window program: no console opens beside it.
  if ! grep -qE '^Subsystem\s+0+2\s' <<<"$("$objdump" -p "$build/bin/velmora.exe")"; then
    echo "velmora.exe is not built for the GUI subsystem" >&2
    exit 1
  fi
fi
