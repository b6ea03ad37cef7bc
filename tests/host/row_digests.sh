#!/bin/sh
# The pinned pictures of the offline run. For each frame rate the pinned file holds the digest of
# every scene table row's storyboard frame (--row-digests) and of the whole show (--digest): any
# change to what a scene draws, to when a row starts or ends, or to the frames between, shows here.
#   row_digests.sh check QX_MARROWTIDE PINNED_FILE FPS [OPTION...]  compare one frame rate
#   row_digests.sh write QX_MARROWTIDE PINNED_FILE [OPTION...]      rewrite the file (60, 24 fps)
# Further options (--reduce-flashing) are given to every run; their own file pins that show.
# The check also stands for "the show plays to its end by itself, exit 0, nothing on standard
# error, the same on every run".
set -u
mode=$1
program=$2
pinned=$3
rates="60 24"
rewrite="cmake --build build --target row_digests"

# One frame rate's lines: 39 "NN row-name DIGEST" and "show DIGEST N frames".
play() {
  "$program" --row-digests --digest --fps "$1" $options >"$work/out" 2>"$work/err"
  code=$?
  if [ "$code" -ne 0 ] || [ -s "$work/err" ]; then
    echo "FAIL: the offline run at $1 fps exited $code" >&2
    cat "$work/err" >&2
    exit 1
  fi
  sed 's/^\([0-9a-f]\{16\} [0-9]* frames\)$/show \1/' "$work/out"
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

case $mode in
write)
  shift 3
  options="$*"
  {
    echo "# Pinned pictures of the offline run, per frame rate: the digest of every scene table"
    echo "# row's storyboard frame, then of every frame shown. Written by"
    echo "#   $rewrite"
    echo "# only after looking at the changed rows in the storyboard."
    [ -z "$options" ] || echo "# Options: $options"
    for fps in $rates; do
      echo "fps $fps"
      play "$fps"
    done
  } >"$work/pinned"
  cp "$work/pinned" "$pinned"
  echo "wrote $pinned"
  ;;
check)
  fps=$4
  shift 4
  options="$*"
  play "$fps" >"$work/now"
  awk -v fps="$fps" '/^fps / { inside = ($2 == fps); next } inside' "$pinned" >"$work/was"
  [ -s "$work/was" ] || { echo "FAIL: $pinned has no section 'fps $fps'"; exit 1; }
  cmp -s "$work/was" "$work/now" && exit 0
  echo "FAIL: the pictures at $fps fps differ from $pinned:"
  # Lines are "NN name DIGEST" or "show DIGEST N frames"; pair them by their first word.
  awk 'NR == FNR { was[$1] = $0; next }
       { now[$1] = $0; order[++n] = $1 }
       END {
         rows = 0
         for (i = 1; i <= n; ++i) {
           key = order[i]
           if (was[key] == now[key]) continue
           split(was[key], w, " "); split(now[key], m, " ")
           if (key == "show")
             printf "  the whole show: pinned %s (%s frames), now %s (%s frames)\n", w[2], w[3], m[2], m[3]
           else {
             ++rows
             printf "  row %s %s: pinned %s, now %s\n", key, m[2], w[3], m[3]
           }
         }
         for (key in was) if (!(key in now)) printf "  %s: pinned but not printed now\n", key
         if (rows == 0) print "  (no row'"'"'s storyboard frame differs, only frames between them)"
       }' "$work/was" "$work/now"
  echo "If the change is intended, look at those rows in the storyboard"
  echo "(cmake --build build --target storyboard, then docs/storyboard.png), then rewrite the file:"
  echo "  $rewrite"
  exit 1
  ;;
*)
  echo "usage: row_digests.sh check PROGRAM PINNED FPS | write PROGRAM PINNED" >&2
  exit 64
  ;;
esac
