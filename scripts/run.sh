#!/bin/sh
# Starts the program; without a display it says so and uses a virtual one.
set -eu
bin=$1
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: starting Marlux under Xvfb (virtual display)."
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$bin"
fi
exec "$bin"
