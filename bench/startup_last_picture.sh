#!/usr/bin/env bash
# Start-up (bench/startup.sh) with a large last picture for the viewer: none,
# a 600 dpi A4 colour JPEG (4960 x 7016) and a 5600 x 5600 24-bit bitmap.
# Usage: bench/startup_last_picture.sh [binary] (RUNS=5)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bin=$(realpath "${1:-build/video-image-capture}")
export RUNS=${RUNS:-5}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A picture with detail everywhere, as a photo or a scanned page has.
python3 - "$work" <<'PY'
import struct, sys
work = sys.argv[1]
def rows(width, height):
    for y in range(height):
        yield bytes((x * 7 + y * 3 + (x ^ y)) & 255 for x in range(256)) * (width * 3 // 256) + bytes(width * 3 % 256)
w, h = 4960, 7016
with open(f"{work}/page.ppm", "wb") as f:
    f.write(b"P6 %d %d 255\n" % (w, h))
    for r in rows(w, h): f.write(r)
w = h = 5600
stride = (w * 3 + 3) & ~3
with open(f"{work}/SQUARE0001.bmp", "wb") as f:
    f.write(b"BM" + struct.pack("<IHHI", 54 + stride * h, 0, 0, 54))
    f.write(struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, stride * h, 23622, 23622, 0, 0))
    pad = bytes(stride - w * 3)
    for r in rows(w, h): f.write(r + pad)
PY
cjpeg -quality 85 "$work/page.ppm" >"$work/PAGE0001.jpg"
rm "$work/page.ppm"

for picture in "" "$work/PAGE0001.jpg" "$work/SQUARE0001.bmp"; do
  echo "== last picture: ${picture:-none}${picture:+ ($(du -h "$picture" | cut -f1))}"
  LAST_PICTURE=$picture "$here/startup.sh" "$bin"
done
