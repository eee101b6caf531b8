#!/bin/sh
# The browser module takes what its own libraries lack from the program: every such symbol
# must be exported by the program, or the Internet tool fails to load at first use.
set -eu
program=$1; module=$2
exported=$(nm -D --defined-only "$program" | awk '{print $3}' | sort -u)
missing=0
for symbol in $(ldd -r "$module" 2>&1 | awk '/undefined symbol/ {print $3}' | sort -u); do
  if ! printf '%s\n' "$exported" | grep -qxF "$symbol"; then
    echo "not exported by the program: $symbol"
    missing=$((missing + 1))
  fi
done
[ "$missing" -eq 0 ] && echo "1 passed, 0 failed"
exit "$missing"
