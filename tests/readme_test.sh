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
mkdir -p "$work/docs" "$work/out" "$work/tmp" "$work/photos"
command -v cjpeg >/dev/null || { echo "SKIP: cjpeg (libjpeg-turbo-progs) is not installed"; exit 77; }
cjpeg -outfile "$work/photos/sunset.jpg" "$source_dir/samples/sunset.bmp"
cjpeg -outfile "$work/photos/harbour.jpg" "$source_dir/samples/harbour.bmp"

# The blocks: indented lines after a blank line, up to the next blank or unindented line.
blocks=$(awk '
    /^    / && (inblock || blank) { sub(/^    /, ""); print; inblock = 1; blank = 0; next }
    { if (inblock) print "\x1e"; inblock = 0; blank = ($0 ~ /^$/) }
    END { if (inblock) print "\x1e" }' "$source_dir/README.md")

passed=0 failed=0
run_block() {
    local block=$1
    rm -rf "$work/out" && mkdir "$work/out"  # each recipe on its own
    if (cd "$work" && SLURM_ARRAY_TASK_ID=0 timeout 120 bash -e -o pipefail -c "$block") >"$work/log" 2>&1; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAIL: README command block:"; echo "$block"; tail -5 "$work/log"
    fi
}
while IFS= read -r -d $'\x1e' block; do
    block=${block#$'\n'}
    case "$block" in build/*|python3\ tools/*|for\ *|ls\ *|\#SBATCH*) ;; *) continue ;; esac
    # Short runs, and the gallery's placeholders filled in.
    block=$(sed -E -e 's#/tmp/#tmp/#g' -e 's/--seconds (60|600)/--seconds 1/g' -e 's/--autosave 60/--autosave 1/g' \
        -e 's/(^|[^A-Za-z])N([^A-Za-z]|$)/\1300\2/g' -e 's/([^A-Za-z])N([^A-Za-z]|$)/\1300\2/g' \
        -e 's/--seconds S/--seconds 1/g' -e 's/-S($|[^A-Za-z])/-1\1/g' -e 's/-Ss\./-1s./g' <<<"$block")
    if [[ "$block" == *SEARCH* ]]; then
        for search in mutate shapes; do run_block "${block//SEARCH/$search}"; done
    else
        run_block "$block"
    fi
done <<<"$blocks"$'\x1e'
echo "$passed passed, $failed failed"
[ "$passed" -gt 0 ] && [ "$failed" -eq 0 ]
