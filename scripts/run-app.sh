#!/usr/bin/env bash
# Starts Marionix from the build. Without a display it runs under Xvfb for a few seconds, saves a screenshot of
# the screen to build/screenshot.png, then ends the app through its normal close (SIGTERM becomes a window close,
# so the settings are saved to config.ini beside the executable).
set -euo pipefail
build=$(realpath "${1:-build}")
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d /tmp/mnx-runtime.XXXXXX)}
chmod 700 "$XDG_RUNTIME_DIR"

if [ -n "${DISPLAY:-}" ]; then
    cd "$build/bin" && exec ./marionix
fi

seconds=${MNX_RUN_SECONDS:-5}
xvfb-run -a -s "-screen 0 1280x720x24 -nolisten tcp" bash -c '
    set -u
    build=$1
    cd "$build/bin"
    QT_QPA_PLATFORM=xcb ./marionix &
    app=$!
    sleep "$2"
    QT_QPA_PLATFORM=xcb "$build/tools/mnxshot/mnxshot" "$build/screenshot.png"
    kill -TERM "$app"
    wait "$app"
' _ "$build" "$seconds"
echo "Screenshot: $build/screenshot.png (settings: $build/bin/config.ini)"
