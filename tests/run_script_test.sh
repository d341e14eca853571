#!/usr/bin/env bash
# scripts/run.sh as a user runs it: from another folder, with a picture named from there, and
# --help without a display.
# Usage: run_script_test.sh SOURCE_DIR
set -u
source_dir=$1
work=$(mktemp -d /tmp/polyevolve-run-XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir "$work/t"
cp "$source_dir/samples/harbour.bmp" "$work/t/icon.bmp"
cd "$work"
failed=0
help=$(env -u DISPLAY -u SDL_VIDEODRIVER bash "$source_dir/scripts/run.sh" --help 2>&1)
if ! grep -q "^Approximates the TARGET picture" <<<"$help"; then
    echo "FAIL: run.sh --help without a display: $help"; failed=1
fi
SDL_VIDEODRIVER=dummy timeout 10 bash "$source_dir/scripts/run.sh" t/icon.bmp --seed 1 >/dev/null 2>"$work/err"
if ! grep -q "^Iteration:" "$work/err"; then
    echo "FAIL: run.sh t/icon.bmp from another folder:"; head -5 "$work/err"; failed=1
fi
exit $failed
