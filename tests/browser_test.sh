#!/usr/bin/env bash
# SVGs in a real browser: headless Chromium shows a batch run's SVG (one that scales to its
# box) and its placeholder as a data URI in a page, and each screenshot is held to the run's
# own picture against the target.
# Usage: browser_test.sh BUILD_DIR TARGET
set -u
build_dir=$1 target=$2
command -v chromium >/dev/null || { echo "SKIP: chromium is not installed (scripts/test.sh --full installs it)"; exit 77; }
work=$(mktemp -d /tmp/polyevolve-browser-XXXXXX)
trap 'rm -rf "$work"' EXIT
failed=0
rmse() {  # RMSE of a picture against the target, as the run counts it
    "$build_dir/polyevolve-compare" "$1" "$target" | sed 's/.*error:\([0-9]*\).*/\1/' |
        awk -v w=256 -v h=256 '{ printf "%.4f", sqrt($1 / (3 * (w - 1) * (h - 1))) }'
}
shot() {  # page, screenshot
    timeout 60 chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
        --disable-background-networking --disable-component-update --disable-sync \
        --user-data-dir="$work/profile" --hide-scrollbars --window-size=256,256 \
        --screenshot="$2" "file://$1" >/dev/null 2>&1
}
check() {  # name, screenshot, picture, most ratio
    local shown own
    shown=$(rmse "$2") own=$(rmse "$3")
    if awk -v a="$shown" -v b="$own" -v most="$4" 'BEGIN { exit !(a > 0 && a <= b * most) }'; then
        echo "ok: $1 in Chromium: RMSE $shown against the picture's $own"
    else
        echo "FAIL: $1 in Chromium: RMSE $shown against the picture's $own"; failed=1
    fi
}
"$build_dir/polyevolve-batch" "$target" --seed 1 --iterations 2000 --viewbox --save "$work/run" --quiet >/dev/null 2>&1 ||
    { echo "FAIL: the run"; exit 1; }
"$build_dir/polyevolve-batch" "$target" --seed 1 --placeholder --save "$work/ph" --quiet >/dev/null 2>&1 ||
    { echo "FAIL: the placeholder run"; exit 1; }
# The placeholder's own picture is its small copy: drawn at the picture's size to compare.
"$build_dir/polyevolve-export" "$target" "$work/ph.idx" "$work/ph-full.png" >/dev/null 2>&1 ||
    { echo "FAIL: the placeholder's picture"; exit 1; }
page() {  # file, img src
    printf '<!doctype html><html><body style="margin:0"><img src="%s" style="display:block;width:256px;height:256px"></body></html>\n' "$2" >"$1"
}
page "$work/svg.html" "run.out.svg"
page "$work/uri.html" "$(tr -d '\n' <"$work/ph.out.txt")"
shot "$work/svg.html" "$work/svg.png" && shot "$work/uri.html" "$work/uri.png" || { echo "FAIL: no screenshot"; exit 1; }
check "the SVG" "$work/svg.png" "$work/run.out.png" 1.10
check "the placeholder's data URI" "$work/uri.png" "$work/ph-full.png" 1.15
exit $failed
