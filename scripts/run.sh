#!/usr/bin/env bash
# Installs what is missing, builds, and evolves a picture in a window.
# Usage: scripts/run.sh [TARGET [PROGRESS.idx]] [options]   (no argument: the bundled sample)
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/deps.sh
ensure_packages $BUILD_PACKAGES

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)" --target polyevolve polyevolve-batch polyevolve-compare polyevolve-export >/dev/null

if [ -z "${DISPLAY:-}" ] && [ -z "${SDL_VIDEODRIVER:-}" ]; then
    echo "polyevolve opens a window and needs a display, but DISPLAY is not set." >&2
    echo "Run it from a desktop session, or on a virtual one: xvfb-run -a scripts/run.sh $*" >&2
    exit 1
fi

if [ $# -eq 0 ]; then
    set -- samples/sunset.bmp
fi
echo "Keys: s saves progress, b saves the picture, q quits." >&2
exec build/polyevolve "$@"
