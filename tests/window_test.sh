#!/usr/bin/env bash
# The program in a real X window (Xvfb), used as a person would: keys typed with xdotool.
# Usage: window_test.sh POLYEVOLVE POLYEVOLVE-COMPARE SAMPLE.bmp
set -u
program=$1 compare=$2 sample=$3

for tool in Xvfb xdotool xwininfo; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

work=$(mktemp -d /tmp/polyevolve-window-XXXXXX)
xvfb_pid=""
app_pid=""
cleanup() {
    [ -n "$app_pid" ] && kill -9 "$app_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    chattr -i "$work/locked" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
check() { if eval "$1"; then echo "ok: $2"; else fail "$2"; fi; }

# A display of our own; -noreset lets one program after another connect.
Xvfb -displayfd 4 -noreset -nolisten tcp -screen 0 1920x1080x24 4>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "FAIL: Xvfb did not start"; cat "$work/xvfb.log"; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")"
unset SDL_VIDEODRIVER

# wait_for FILE PATTERN SECONDS: until FILE holds a line matching PATTERN.
wait_for() {
    local i
    for i in $(seq $(($3 * 10))); do
        grep -q -- "$2" "$1" 2>/dev/null && return 0
        sleep 0.1
    done
    return 1
}

# start ARGS...: runs the program in the background; sets app_pid and window.
start() {
    "$program" "$@" 2>"$work/err" >"$work/out" &
    app_pid=$!
    window=""
    local i
    for i in $(seq 100); do
        window=$(xdotool search --pid "$app_pid" 2>/dev/null | tail -n1)
        [ -n "$window" ] && break
        sleep 0.1
    done
    [ -n "$window" ] || { fail "no window appeared for $*"; return 1; }
}

type_keys() { xdotool windowfocus --sync "$window" key --delay 50 "$@"; }

# finish: waits for the program to end; sets status.
finish() {
    local i
    for i in $(seq 150); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
    if kill -0 "$app_pid" 2>/dev/null; then
        fail "the program did not end after q"
        kill -9 "$app_pid"
    fi
    wait "$app_pid"
    status=$?
    app_pid=""
}

# u32 FILE OFFSET / u64 FILE OFFSET: little-endian numbers from the progress file.
u32() { od -An -tu4 -j "$2" -N4 "$1" | tr -d ' '; }
u64() { od -An -tu8 -j "$2" -N8 "$1" | tr -d ' '; }

target="$work/cat.bmp"
cp "$sample" "$target"

echo "== first run: window, b, s and q"
start "$target" || exit 1
geometry=$(xwininfo -id "$window" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}')
check '[ "$geometry" = "400x200" ]' "the window is twice the target's width (got $geometry)"
sleep 2
type_keys b
check 'wait_for "$work/err" "^Saved BMP to <$target.out.bmp>.$" 10' "b reports the saved picture"
type_keys s
check 'wait_for "$work/err" "^Saved progresses to <$target.idx>.$" 10' "s reports the saved progress"
sleep 1.5
type_keys q
finish
check '[ "$status" -eq 0 ]' "q ends the run with status 0 (got $status)"
check '[ ! -s "$work/out" ]' "nothing is written to standard output"
check 'grep -q "^Iteration:[0-9]* Poly:[0-9]* IPS:[0-9]* Error:[0-9]* Generation:[0-9]*$" "$work/err"' \
    "statistics lines appear"
picture=$("$compare" "$target.out.bmp" "$target" 2>&1)
check '[[ "$picture" == "width:200 height:200 error:"* ]]' "the picture is a 200 x 200 BMP ($picture)"
size=$(stat -c %s "$target.idx")
stored_error=$(u64 "$target.idx" $((size - 12)))
stored_generation=$(u32 "$target.idx" $((size - 4)))
# The picture was saved before the progress file, so its drawing is at most as good.
check '[ "${picture##*error:}" -ge "$stored_error" ]' \
    "the picture is a drawing of the run (error ${picture##*error:} >= saved $stored_error)"

echo "== second run: resume from the saved progress"
start "$target" "$target.idx" || exit 1
check 'wait_for "$work/err" "^Loading progresses from <$target.idx>...$" 10' "the resume is announced"
check 'wait_for "$work/err" "^Iteration:" 60' "the resumed run reports statistics"
generation=$(grep -m1 '^Iteration:' "$work/err" | sed 's/.*Generation://')
check '[ "$generation" -gt "$stored_generation" ]' \
    "the generation continues from the saved one ($generation > $stored_generation)"
error=$(grep -m1 '^Iteration:' "$work/err" | sed 's/.*Error:\([0-9]*\).*/\1/')
check '[ "$error" -le "$stored_error" ]' "the resumed error starts from the saved one"
type_keys q
finish
check '[ "$status" -eq 0 ]' "q ends the resumed run with status 0"

echo "== third run: a damaged progress file"
printf 'garbage' >"$work/bad.idx"
start "$target" "$work/bad.idx" || exit 1
check 'wait_for "$work/err" "^Progress file <$work/bad.idx> is damaged (it ends early); starting afresh.$" 10' \
    "the damaged file is reported"
check 'wait_for "$work/err" "^Iteration:" 60' "the run still evolves"
first_error=$(grep -m1 '^Iteration:' "$work/err" | sed 's/.*Error:\([0-9]*\).*/\1/')
check '[ "$first_error" -lt 99999999999999999 ]' "candidates are accepted after the damaged file"
type_keys q
finish
check '[ "$status" -eq 0 ]' "the damaged-file run ends with status 0"

echo "== fourth run: saving where nothing can be written"
mkdir "$work/locked"
cp "$sample" "$work/locked/cat.bmp"
printf 'old progress' >"$work/locked/cat.bmp.idx"
runner=()
if [ "$(id -u)" -eq 0 ]; then
    # Root writes anywhere permissions allow nothing; an immutable folder stops it too.
    if ! chattr +i "$work/locked" 2>/dev/null; then
        echo "SKIP (part): cannot make a folder unwritable for root here"
        runner=(skip)
    fi
else
    chmod 0555 "$work/locked"
fi
if [ "${runner[0]:-}" != skip ]; then
    start "$work/locked/cat.bmp" || exit 1
    sleep 1
    type_keys s b
    check 'wait_for "$work/err" "^Unable to save progresses to <$work/locked/cat.bmp.idx>.$" 10' \
        "a failed progress save is reported"
    check 'wait_for "$work/err" "^Unable to save BMP to <$work/locked/cat.bmp.out.bmp>.$" 10' \
        "a failed picture save is reported"
    check '! grep -q "^Saved" "$work/err"' "no success line after a failed save"
    check '[ "$(cat "$work/locked/cat.bmp.idx")" = "old progress" ]' "the old progress file is kept"
    type_keys q
    finish
    check '[ "$status" -eq 0 ]' "the run ends with status 0"
fi

echo "== fifth run: a photo larger than the screen, and an icon"
python3 - "$work/photo.bmp" 4000 3000 <<'PY'
import struct, sys
path, w, h = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
line = bytearray()
for x in range(w):
    line += bytes((200, 120, x * 255 // w))  # blue, green, red
line += b"\0" * ((4 - len(line) % 4) % 4)
with open(path, "wb") as f:
    f.write(b"BM" + struct.pack("<IHHI", 54 + len(line) * h, 0, 0, 54))
    f.write(struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(line) * h, 2835, 2835, 0, 0))
    for _ in range(h):
        f.write(line)
PY
start "$work/photo.bmp" || exit 1
check 'wait_for "$work/err" "^Showing the 4000 x 3000 pictures at [0-9]* x [0-9]* to fit the screen" 20' \
    "the scaled view is announced"
geometry=$(xwininfo -id "$window" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w " " h}')
read -r gw gh <<<"$geometry"
check '[ "$gw" -le 1920 ] && [ "$gh" -le 1080 ] && [ "$gw" -ge 1200 ]' \
    "both halves fit a 1920 x 1080 screen (got ${gw}x${gh})"
type_keys b
check 'wait_for "$work/err" "^Saved BMP to <$work/photo.bmp.out.bmp>.$" 30' "b still saves the full-size picture"
type_keys q
finish
picture=$("$compare" "$work/photo.bmp.out.bmp" "$work/photo.bmp" 2>&1)
check '[[ "$picture" == "width:4000 height:3000 error:"* ]]' "the saved picture is 4000 x 3000 ($picture)"
python3 - "$work/icon.bmp" <<'PY'
import struct, sys
w = h = 32
line = b"".join(bytes((200, 90, x * 8)) for x in range(w))
with open(sys.argv[1], "wb") as f:
    f.write(b"BM" + struct.pack("<IHHI", 54 + len(line) * h, 0, 0, 54))
    f.write(struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(line) * h, 2835, 2835, 0, 0))
    for _ in range(h):
        f.write(line)
PY
start "$work/icon.bmp" || exit 1
geometry=$(xwininfo -id "$window" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}')
check '[ "$geometry" = "64x32" ]' "a 32 x 32 icon opens a 64 x 32 window (got $geometry)"
type_keys q
finish
start "$work/icon.bmp" --zoom 8 || exit 1
geometry=$(xwininfo -id "$window" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}')
check '[ "$geometry" = "512x256" ]' "--zoom 8 shows it 8 times larger (got $geometry)"
type_keys q
finish

echo "== sixth run: the shape search on the whole 4000 x 3000 photo answers q and SIGTERM"
for stop in q TERM; do
    start "$work/photo.bmp" --search shapes --max-size 0 || exit 1
    wait_for "$work/err" "^Showing the 4000 x 3000" 20
    sleep 1  # searching by now
    if [ "$stop" = q ]; then type_keys q; else kill -TERM "$app_pid"; fi
    ended=no
    for _ in $(seq 20); do kill -0 "$app_pid" 2>/dev/null || { ended=yes; break; }; sleep 0.1; done
    check '[ "$ended" = yes ]' "the window ends within 2 s of $stop"
    finish
done

[ "$failures" -eq 0 ] && echo "window test passed" || echo "$failures check(s) failed"
[ "$failures" -eq 0 ]
