#!/usr/bin/env bash
# A feeder run of the real program against scanimage's batch mode, side by
# side in one run: the program is started on a private Xvfb display, switched
# to the scanner window, and its "Open Capture Screen" takes every page of
# SANE's test feeder (ten) to BMP, then to JPEG; scanimage writes the same
# pages from the same device and options to PNM and to JPEG, once as it is
# and once followed by `sync -f` on its folder, so that its pages too are on
# the medium when it is done, as the program's are. Runs alternate, so all
# see the same load on the machine; medians are printed, with the program's
# ratio to each.
#
# Usage: bench/feeder_run.sh [--runs N] [--dpi D] [--mode Color|Gray|Lineart]
#                            [--page A4|A5|"US Letter"|"US Legal"] [binary]
# Defaults: 5 runs, A4 pages at 300 dpi in colour. The program is given the
# settings through its scanner.ini, scanimage through its options.
set -euo pipefail

runs=5 dpi=300 mode=Color page=A4
bin=build/video-image-capture
while (($#)); do
  case $1 in
    --runs) runs=$2; shift 2 ;;
    --dpi) dpi=$2; shift 2 ;;
    --mode) mode=$2; shift 2 ;;
    --page) page=$2; shift 2 ;;
    -h|--help) sed -n '2,15p' "$0"; exit 0 ;;
    *) bin=$1; shift ;;
  esac
done
case $page in
  A4) width=210 height=297 ;;
  A5) width=148 height=210 ;;
  "US Letter") width=215.9 height=279.4 ;;
  "US Legal") width=215.9 height=355.6 ;;
  *) echo "unknown page size $page" >&2; exit 1 ;;
esac
bin=$(realpath "$bin")
for tool in Xvfb openbox xdotool scanimage; do
  command -v "$tool" >/dev/null || { echo "needs $tool" >&2; exit 1; }
done

# On the disk the program writes to (not a memory file system).
work=$(mktemp -d "${TMPDIR:-/var/tmp}/vic-feeder.XXXXXX")
n=$((400 + $$ % 200))
while [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
display=:$n
trap 'kill $(jobs -p) 2>/dev/null || true; wait 2>/dev/null || true; rm -rf "$work"' EXIT

Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
DISPLAY=$display openbox --sm-disable >/dev/null 2>&1 &
sleep 1

# SANE's test backend alone, with room for every page size (its feeder holds
# ten pages).
export SANE_CONFIG_DIR=$work/sane
mkdir -p "$SANE_CONFIG_DIR"
echo test >"$SANE_CONFIG_DIR/dll.conf"
cat >"$SANE_CONFIG_DIR/test.conf" <<EOF
number_of_devices 1
mode $mode
resolution $dpi
test-picture "Color pattern"
geometry_max 1000.0
br_x $width
br_y $height
EOF
feeder="Automatic Document Feeder"
pages=10
scanimageOptions=(-d test:0 --source "$feeder" --mode "$mode" --resolution "$dpi" -l 0 -t 0 -x "$width" -y "$height")

window() {  # window id of the first visible window whose title matches $1
  for _ in $(seq 300); do
    id=$(DISPLAY=$display xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1) && [ -n "$id" ] && { echo "$id"; return; }
    sleep 0.1
  done
  return 1
}

press() {  # window, keys
  DISPLAY=$display xdotool windowactivate --sync "$1" >/dev/null 2>&1 || true
  DISPLAY=$display xdotool key --clearmodifiers "$2"
}

# One run of the program: prints "wall_ms cpu_ms" from its own report.
ours() {
  local ext=$1 home=$work/home-$2-$1
  mkdir -p "$home/.config/video-image-capture" "$home/Pictures"
  printf '[PARAS]\nPath=%s\n' "$home/Pictures/ZENO0000.$ext" >"$home/.config/video-image-capture/ZENO.ini"
  printf '[DefaultSource]\ndevice=test:0\nsource=%s\n\n[Device test%%3A0]\nresolution=%s\nmode=%s\npage=%s\n' \
    "$feeder" "$dpi" "$mode" "$page" >"$home/.config/video-image-capture/scanner.ini"
  HOME=$home XDG_CONFIG_HOME=$home/.config DISPLAY=$display QT_QPA_PLATFORM=xcb VIC_REPORT_RUN=1 \
    "$bin" 2>"$home/log" &
  local pid=$!
  press "$(window '^Orvalux Video Image Capture 1.22$')" alt+t
  press "$(window 'Twain Capture$')" alt+o
  for _ in $(seq 1200); do grep -q "^scanner run:" "$home/log" && break; sleep 0.05; done
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  local written
  written=$(find "$home/Pictures" -name "ZENO*.$ext" | wc -l)
  [ "$written" -eq "$pages" ] || { echo "the program wrote $written pages, not $pages" >&2; cat "$home/log" >&2; exit 1; }
  sed -n 's/^scanner run: [0-9]* pages in \([0-9.]*\) ms, \([0-9.]*\) ms of processor time/\1 \2/p' "$home/log"
  rm -rf "$home"
}

# One run of scanimage, with "sync" as $3 followed by a flush of its
# folder: "wall_ms cpu_ms".
theirs() {
  local format=$1 dir=$work/scanimage-$2-$1${3:+-$3}
  mkdir -p "$dir"
  local status=0 flush=true
  [ "${3:-}" = sync ] && flush="sync -f $dir"
  # scanimage's own status is kept, the flush's is checked on its own.
  /usr/bin/time -f "%e %U %S" -o "$dir/time" sh -c \
    'scanimage "$@" 2>/dev/null; s=$?; '"$flush"' || exit 99; exit $s' scanimage \
    "${scanimageOptions[@]}" --format="$format" --batch="$dir/p%d.$format" || status=$?
  # scanimage answers 7 (no documents) once the feeder runs dry.
  [ "$status" -eq 0 ] || [ "$status" -eq 7 ] || { echo "scanimage failed ($status)" >&2; exit 1; }
  local written
  written=$(find "$dir" -name "p*.$format" | wc -l)
  [ "$written" -eq "$pages" ] || { echo "scanimage wrote $written pages, not $pages" >&2; exit 1; }
  awk 'END {printf "%.1f %.1f\n", $1 * 1000, ($2 + $3) * 1000}' "$dir/time"
  rm -rf "$dir"
}

declare -A wall cpu
for i in $(seq "$runs"); do
  for case in bmp:pnm jpg:jpeg; do
    ext=${case%:*} format=${case#*:}
    read -r w c < <(ours "$ext" "$i")
    wall[ours-$ext]+="$w " cpu[ours-$ext]+="$c "
    read -r w c < <(theirs "$format" "$i")
    wall[scanimage-$format]+="$w " cpu[scanimage-$format]+="$c "
    read -r w c < <(theirs "$format" "$i" sync)
    wall[synced-$format]+="$w " cpu[synced-$format]+="$c "
  done
done

median() { printf '%s\n' $1 | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
ratio() { echo "$1 / $2" | bc -l; }
printf '%s pages, %s (%s x %s mm), %s dpi, %s; medians of %s runs (wall / processor ms)\n' \
  "$pages" "$page" "$width" "$height" "$dpi" "$mode" "$runs"
printf '  %-4s %19s   %-5s %19s %19s   %-22s %-22s\n' "ours" "" "" "scanimage --batch" "then sync -f" \
  "ours / scanimage+sync" "ours / scanimage"
for case in bmp:pnm jpg:jpeg; do
  IFS=: read -r ext format <<<"$case"
  ow=$(median "${wall[ours-$ext]}") oc=$(median "${cpu[ours-$ext]}")
  tw=$(median "${wall[scanimage-$format]}") tc=$(median "${cpu[scanimage-$format]}")
  sw=$(median "${wall[synced-$format]}") sc=$(median "${cpu[synced-$format]}")
  printf '  %-4s %8.1f / %8.1f   %-5s %8.1f / %8.1f %8.1f / %8.1f   %5.2fx / %5.2fx (1.3x)   %5.2fx / %5.2fx\n' \
    "$ext" "$ow" "$oc" "$format" "$tw" "$tc" "$sw" "$sc" "$(ratio "$ow" "$sw")" "$(ratio "$oc" "$sc")" \
    "$(ratio "$ow" "$tw")" "$(ratio "$oc" "$tc")"
done
