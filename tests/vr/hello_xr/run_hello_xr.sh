#!/bin/sh
# Runs hello_xr (OpenGL) against the runtime XR_RUNTIME_JSON names for ten seconds, or until the scripted session
# presses the menu button hello_xr quits on. Fails on any error line, a crash, or no frames submitted.
# Usage: run_hello_xr.sh <hello_xr> <vidmode shim library>
set -u
log=$(mktemp)
# hello_xr quits when its standard input ends; keep it open for the run.
sleep 12 | LD_PRELOAD="$2" timeout 10 "$1" -g OpenGL >"$log" 2>&1
status=$?
cat "$log"
frames=$(sed -n 's/^mnx-simxr: session ended, frames submitted: left \([0-9]*\).*/\1/p' "$log")
if grep -q "Error" "$log"; then echo "FAIL: error lines"; exit 1; fi
if [ "$status" -ne 0 ] && [ "$status" -ne 124 ]; then echo "FAIL: hello_xr exited with $status"; exit 1; fi
if [ "$status" -eq 0 ] && [ "${frames:-0}" -lt 90 ]; then echo "FAIL: frames submitted: ${frames:-none}"; exit 1; fi
if [ "$status" -eq 124 ] && ! grep -q "XR_SESSION_STATE_FOCUSED" "$log"; then echo "FAIL: never focused"; exit 1; fi
echo "hello_xr: status $status, frames submitted ${frames:-(killed before the session ended)}"
