#!/bin/sh
# Sound and speech load from the media module on first use, so that start-up does not load the
# audio libraries: the program must not need them, the module must load on its own (it takes
# nothing from the program), and it must offer every function the program looks up.
set -eu
program=$1; module=$2
failed=0
for library in $(ldd "$program" | awk '{print $1}' | grep -E 'Qt6Multimedia|Qt6TextToSpeech|libpulse|libsndfile' || true); do
  echo "the program needs $library"
  failed=$((failed + 1))
done
for symbol in $(ldd -r "$module" 2>&1 | awk '/undefined symbol/ {print $3}'); do
  echo "the module takes from the program: $symbol"
  failed=$((failed + 1))
done
for symbol in marluxAudioOutputCount marluxCreateSoundPlayer marluxCreateSpeech; do
  if ! nm -D --defined-only "$module" | awk '{print $3}' | grep -qxF "$symbol"; then
    echo "the module lacks $symbol"
    failed=$((failed + 1))
  fi
done
[ "$failed" -eq 0 ] && echo "3 passed, 0 failed"
exit "$failed"
