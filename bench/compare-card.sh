#!/usr/bin/env bash
# Opening a photo and saving a card against the libraries' own tools on the
# same files in the same run: the program's open-until-shown of the
# 4000 x 3000 photo against djpeg of that photo (and of its HEIC and WebP
# forms against heif-convert to raw frames and dwebp to PPM), and its full-resolution
# render plus JPEG save of a 3000 x 2000 card against djpeg + cjpeg of a
# 3000 x 2000 JPEG (the card the program saved), and Open Card of a card file
# holding ten 24-megapixel JPEG photos against djpeg of its ten photos (Save
# Card of it has a target of its own, 0.5 s). Prints the ratios.
#   compare-card.sh <card_bench program>
set -euo pipefail
bench=$1
dir=${ORVANTIS_BENCH_DIR:-/tmp/orvantis-bench}
export ORVANTIS_BENCH_DIR=$dir QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
json=$(mktemp)
trap 'rm -f "$json"' EXIT
"$bench" --benchmark_filter='OpenPhoto|RenderAndSaveJpeg|Card_Ten' --benchmark_format=json >"$json" 2>/dev/null

seconds() {  # best of 5 wall-clock runs of a shell command line
  python3 - "$1" <<'PY'
import subprocess, sys, time
best = None
for _ in range(5):
    start = time.perf_counter()
    subprocess.run(sys.argv[1], shell=True, check=True)
    elapsed = time.perf_counter() - start
    best = elapsed if best is None else min(best, elapsed)
print(best)
PY
}
djpeg_s=$(seconds "djpeg -outfile /dev/null '$dir/photo.jpg'")
heif_s=$(seconds "heif-convert '$dir/photo.heic' '$dir/decoded.y4m' >/dev/null")
dwebp_s=$(seconds "dwebp -quiet -ppm '$dir/photo.webp' -o /dev/null")
roundtrip_s=$(seconds "djpeg '$dir/card.jpg' | cjpeg -quality 90 -outfile /dev/null")
ten_s=$(seconds "for f in '$dir'/card-photo-?.jpg; do djpeg -outfile /dev/null \"\$f\"; done")

python3 - "$json" "$djpeg_s" "$roundtrip_s" "$heif_s" "$dwebp_s" "$ten_s" <<'PY'
import json, sys
runs = {b["name"]: b["real_time"] / 1000.0 for b in json.load(open(sys.argv[1]))["benchmarks"]}  # ms -> s
djpeg, roundtrip, heif, dwebp, ten = (float(a) for a in sys.argv[2:7])
for kind, tool, tool_s in (("JPEG", "djpeg", djpeg), ("HEIC", "heif-convert", heif), ("WebP", "dwebp", dwebp)):
    open_s = runs["BM_OpenPhoto_UntilShown/12MP" + kind.capitalize()]
    print(f"open 4000 x 3000 {kind} until shown   {open_s * 1e3:7.1f} ms   {tool} {tool_s * 1e3:7.1f} ms   ratio {open_s / tool_s:.2f}")
save_s = runs["BM_RenderAndSaveJpeg_3000x2000Card"]
print(f"render + save 3000 x 2000 JPEG      {save_s * 1e3:7.1f} ms   djpeg | cjpeg {roundtrip * 1e3:7.1f} ms   ratio {save_s / roundtrip:.2f}")
open_card = runs["BM_OpenCard_Ten24MPPhotos_UntilShown"]
print(f"open card, ten 24 MP photos         {open_card * 1e3:7.1f} ms   djpeg x 10 {ten * 1e3:7.1f} ms   ratio {open_card / ten:.2f}")
print(f"save card, ten 24 MP photos         {runs['BM_SaveCard_Ten24MPPhotos'] * 1e3:7.1f} ms   (target 500 ms)")
PY
