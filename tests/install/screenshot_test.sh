#!/usr/bin/env bash
# scripts/screenshot against a small X program: the picture is a PNG of the window's size, a
# program that ends without a window fails the run and leaves an earlier picture as it was, and
# no virtual display is left running. Skipped (77) when the X tools are not installed, since the
# script would install them itself.
# Usage: screenshot_test.sh SOURCE_DIR
set -euo pipefail
source_dir=$1
for tool in Xvfb xwininfo import identify xmessage; do
  if ! command -v "$tool" >/dev/null; then
    echo "screenshot_test: skipped: $tool is not installed (packages xvfb, x11-utils, imagemagick)"
    exit 77
  fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "screenshot_test: $*" >&2; failures=$((failures + 1)); }
# The display a run used is free again once it ends (Xvfb removes its socket on the way out).
display_left_running() {
  local number
  number=$(sed -n 's/^screenshot: virtual display :\([0-9]*\) .*/\1/p' "$1")
  [[ -n "$number" ]] || { fail "the run did not name its display: $(cat "$1")"; return 1; }
  [[ -S "/tmp/.X11-unix/X$number" ]]
}

picture=$work/shots/window.png
if "$source_dir/scripts/screenshot" -t 20 -s 0 -o "$picture" -- xmessage -geometry 300x120 "screenshot test" >"$work/log" 2>&1; then
  if [[ "$(head -c 8 "$picture" | od -An -tx1 | tr -d ' \n')" != 89504e470d0a1a0a ]]; then
    fail "$picture is not a PNG"
  fi
  size=$(identify -format '%wx%h' "$picture")
  [[ "$size" == 300x120 ]] || fail "the picture is $size, the window 300x120"
  grep -q "written to $picture" "$work/log" || fail "the run did not say where it wrote: $(cat "$work/log")"
  if display_left_running "$work/log"; then fail "the virtual display was left running"; fi
else
  fail "capturing xmessage failed: $(cat "$work/log")"
fi

# A failed capture keeps the picture already there.
echo "earlier picture" >"$work/keep.png"
if "$source_dir/scripts/screenshot" -t 5 -o "$work/keep.png" -- false >"$work/log" 2>&1; then
  fail "a program that shows no window was reported as captured"
fi
grep -q "before showing a window" "$work/log" || fail "no reason given: $(cat "$work/log")"
[[ "$(cat "$work/keep.png")" == "earlier picture" ]] || fail "a failed capture replaced the earlier picture"
[[ ! -e "$work/keep.png.partial.png" ]] || fail "a partial picture was left behind"
if display_left_running "$work/log"; then fail "the virtual display was left running after a failure"; fi

((failures == 0)) || exit 1
echo "screenshot_test: ok"
