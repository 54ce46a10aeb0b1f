#!/usr/bin/env bash
# Start-up to the first painted frame of the live picture, and resident
# memory with the preview running, for the real binary on a private Xvfb
# display with openbox. Usage: bench/startup.sh [binary] (RUNS=10)
# LAST_PICTURE=file: every run starts with that file stored as the last
# picture, so the viewer opens on it (bench/startup_last_picture.sh).
set -euo pipefail
bin=${1:-build/video-image-capture}
runs=${RUNS:-10}
display=:$((200 + $$ % 200))
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT

Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
DISPLAY=$display openbox --sm-disable >/dev/null 2>&1 &
sleep 1

firsts=() cpus=() rss=() peaks=()
for i in $(seq "$runs"); do
  home="$work/home$i"
  mkdir -p "$home"
  if [ -n "${LAST_PICTURE:-}" ]; then
    mkdir -p "$home/.config/video-image-capture"
    printf '[PARAS]\nPath=%s\n' "$LAST_PICTURE" >"$home/.config/video-image-capture/ZENO.ini"
  fi
  HOME=$home XDG_CONFIG_HOME=$home/.config DISPLAY=$display QT_QPA_PLATFORM=xcb VIC_REPORT_FIRST_FRAME=1 \
    "$bin" 2>"$work/log$i" &
  pid=$!
  for _ in $(seq 100); do grep -q "first frame painted" "$work/log$i" && break; sleep 0.05; done
  firsts+=("$(sed -n 's/first frame painted \([0-9-]*\) ms.*/\1/p' "$work/log$i")")
  cpus+=("$(sed -n 's/.*, \([0-9]*\) ms of processor time/\1/p' "$work/log$i")")
  sleep 3  # the preview runs at 30 frames a second meanwhile
  rss+=("$(awk '/VmRSS/ {print $2}' "/proc/$pid/status")")
  peaks+=("$(awk '/VmHWM/ {print $2}' "/proc/$pid/status")")
  kill "$pid"
  wait "$pid" 2>/dev/null || true
done

stats() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {printf "median %s, min %s, max %s", a[int((NR+1)/2)], a[1], a[NR]}'; }
echo "first frame painted after start (ms, $runs runs): $(stats "${firsts[@]}")"
echo "processor time used by then (ms): $(stats "${cpus[@]}")"
echo "resident memory with the preview running (kB): $(stats "${rss[@]}")"
echo "peak resident memory (kB): $(stats "${peaks[@]}")"
