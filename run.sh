#!/usr/bin/env bash
# Builds Kadmer in Release into build/ (installing what is missing) and starts it.
set -euo pipefail
cd "$(dirname "$0")"
tools/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)" --target kadmer kadmer-nojoy kadmer_python
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: Kadmer needs an X server with OpenGL. Run it under a virtual one: xvfb-run -a -s '-screen 0 1280x1024x24' ./run.sh" >&2
  exit 1
fi
exec build/kadmer "$@"
