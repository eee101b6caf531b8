#!/bin/sh
# run-fuzzer.sh BINARY TARGET_DIR SECONDS
# Replays the target's corpus and crash regressions, then fuzzes for SECONDS.
set -eu
bin=$1; dir=$2; secs=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if [ -d "$dir/regressions" ] && [ -n "$(ls -A "$dir/regressions")" ]; then
  "$bin" "$dir"/regressions/*
fi
mkdir -p "$work/corpus"
[ -d "$dir/corpus" ] && cp -r "$dir/corpus/." "$work/corpus/"
exec "$bin" -max_total_time="$secs" -rss_limit_mb=2048 -artifact_prefix="$work/" "$work/corpus"
