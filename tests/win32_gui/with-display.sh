#!/bin/sh
# Runs a Windows test program (through the emulator given as the first arguments) on the display
# scripts/test-windows.sh started for the window tests; the other tests keep running without one.
if [ -n "${VLM_GUI_DISPLAY:-}" ]; then
  DISPLAY=$VLM_GUI_DISPLAY
  export DISPLAY
fi
exec "$@"
