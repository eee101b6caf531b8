#!/bin/sh
# Runs every test headless, with a private runtime folder and a null audio sink.
set -eu
build=$1; jobs=$2
export QT_QPA_PLATFORM=offscreen
XDG_RUNTIME_DIR=$(mktemp -d)
export XDG_RUNTIME_DIR
chmod 700 "$XDG_RUNTIME_DIR"
cleanup() {
  pulseaudio --kill >/dev/null 2>&1 || true
  rm -rf "$XDG_RUNTIME_DIR"
}
trap cleanup EXIT
if command -v pulseaudio >/dev/null 2>&1; then
  pulseaudio -D --exit-idle-time=-1 -n -L module-null-sink \
    -L module-native-protocol-unix >/dev/null 2>&1 || true
fi
cd "$build"
ctest --output-on-failure -j "$jobs" --timeout 600
