#!/usr/bin/env bash
# Runs every command block of the README (the indented ones that start with a program of ours,
# a loop or a job script), with the placeholders filled in and the long runs cut short, so that
# the README cannot promise a command that does not work.
# Usage: readme_test.sh SOURCE_DIR BUILD_DIR
set -u
source_dir=$1 build_dir=$2
work=$(mktemp -d /tmp/polyevolve-readme-XXXXXX)
trap 'rm -rf "$work"' EXIT
ln -s "$build_dir" "$work/build"
ln -s "$source_dir/samples" "$work/samples"
ln -s "$source_dir/tools" "$work/tools"
# A fresh folder holds the user's photos; out/ is for the recipes to make.
mkdir -p "$work/docs" "$work/tmp" "$work/photos"
command -v cjpeg >/dev/null || { echo "SKIP: cjpeg (libjpeg-turbo-progs) is not installed"; exit 77; }
cjpeg -outfile "$work/photos/sunset.jpg" "$source_dir/samples/sunset.bmp"
cjpeg -outfile "$work/photos/harbour.jpg" "$source_dir/samples/harbour.bmp"

# The blocks: indented lines after a blank line, up to the next blank or unindented line.
blocks=$(awk '
    /^    / && (inblock || blank) { sub(/^    /, ""); print; inblock = 1; blank = 0; next }
    { if (inblock) print "\x1e"; inblock = 0; blank = ($0 ~ /^$/) }
    END { if (inblock) print "\x1e" }' "$source_dir/README.md")

passed=0 failed=0
run_once() {
    (cd "$work" && SLURM_ARRAY_TASK_ID=0 timeout 120 bash -e -o pipefail -c "$1") >"$work/log" 2>&1
}
run_block() {
    local block=$1 ok=1
    rm -rf "$work/out"  # each recipe on its own, from a folder without it
    run_once "$block" || ok=0
    # What a recipe that saves into out/ promises: a progress file and a picture for each photo
    # it ran on; a job array's task queued again goes on from it.
    if [ $ok -eq 1 ] && [[ "$block" == *out/* ]]; then
        ls "$work"/out/*.idx "$work"/out/*.out.png >/dev/null 2>&1 || { ok=0; echo "no out/*.idx and out/*.out.png" >>"$work/log"; }
    fi
    if [ $ok -eq 1 ] && [[ "$block" == \#SBATCH* ]]; then
        run_once "$block" || ok=0
        grep -q "^Loading progresses from <out/" "$work/log" || ok=0
    fi
    if [ $ok -eq 1 ]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAIL: README command block:"; echo "$block"; tail -5 "$work/log"
    fi
}
while IFS= read -r -d $'\x1e' block; do
    block=${block#$'\n'}
    block=$(sed -E 's/^  //' <<<"$block")  # a block inside a list item is indented two more
    case "$block" in build/*|python3\ tools/*|for\ *|ls\ *|mkdir\ *|\#SBATCH*) ;; *) continue ;; esac
    # Short runs, and the gallery's placeholders filled in.
    block=$(sed -E -e 's#/tmp/#tmp/#g' -e 's/--seconds (60|600)/--seconds 1/g' -e 's/--autosave 60/--autosave 1/g' \
        -e 's/(^|[^A-Za-z])N([^A-Za-z]|$)/\1300\2/g' -e 's/([^A-Za-z])N([^A-Za-z]|$)/\1300\2/g' \
        -e 's/--seconds S/--seconds 1/g' -e 's/-S($|[^A-Za-z])/-1\1/g' -e 's/-Ss\./-1s./g' <<<"$block")
    if [[ "$block" == *SEARCH* ]]; then
        for search in mutate shapes; do run_block "${block//SEARCH/$search}"; done
    elif [[ "$block" == *KIND* ]]; then
        for kind in triangle ellipse curve; do run_block "${block//KIND/$kind}"; done
    else
        run_block "$block"
    fi
done <<<"$blocks"$'\x1e'
echo "$passed passed, $failed failed"
[ "$passed" -gt 0 ] && [ "$failed" -eq 0 ]
