#!/usr/bin/env bash
# Installs what is missing, builds, and evolves a picture in a window.
# Usage: scripts/run.sh [TARGET [PROGRESS.idx]] [options]   (no argument: the bundled sample)
# File names are taken from where it is run, as any command's are.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/deps.sh"
ensure_packages $BUILD_PACKAGES

cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build" -j"$(nproc)" --target polyevolve polyevolve-batch polyevolve-compare polyevolve-export >/dev/null

# Help and version need no window.
for arg in "$@"; do
    case "$arg" in
        --help|-h|--version) exec "$root/build/polyevolve" "$@" ;;
        --) break ;;
    esac
done

if [ -z "${DISPLAY:-}" ] && [ -z "${SDL_VIDEODRIVER:-}" ]; then
    echo "polyevolve opens a window and needs a display, but DISPLAY is not set." >&2
    echo "Run it from a desktop session, or on a virtual one: xvfb-run -a scripts/run.sh $*" >&2
    exit 1
fi

if [ $# -eq 0 ]; then
    set -- "$root/samples/sunset.bmp"
fi
echo "Keys: s saves progress, b saves the picture, q quits." >&2
exec "$root/build/polyevolve" "$@"
