#!/usr/bin/env bash
# The whole benchmark in one run: opening a volume (a generated 512^3 one, and the .dat given
# as $1 if any), frames of the benchmark scene side by side with VTK's GPU volume ray caster
# at equal settings, and the editor. Prints the programs' own reports, then one table.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh --bench
scripts/build.sh build >/dev/null
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
headless() { xvfb-run -a -s "-screen 0 1280x1024x24" "$@"; }
# As the viewer runs itself: the GL driver's copy of a volume on huge pages.
export GLIBC_TUNABLES=glibc.malloc.hugetlb=1

echo "== open: generated 512^3"
headless build/bench/bench_volume_open "" 3 | tee "$out/open"
if [ $# -gt 0 ]; then
  echo "== open: $1"
  headless build/bench/bench_volume_open "$1" 3 | tee "$out/open_given"
fi
echo "== frames: Dichtenschau"
headless build/bench/bench_frames --frames 10 | tee "$out/frames"
echo "== frames: VTK GPU ray caster"
(cd "$out" && headless /usr/bin/python3 "$OLDPWD/bench/vtk_peer.py" --frames 10) | tee "$out/vtk"
echo "== editor"
headless build/bench/bench_editor | tee "$out/editor"

field() { awk -v key="$2" -v col="$3" 'index($0, key) == 1 || $1 == key { print $col; exit }' "$1"; }
openRow() { awk -v key="$2" 'index($0, "  " key " ") == 1 { print; exit }' "$1"; }

echo
echo "== summary"
echo "machine: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(nproc) cores"
echo "renderer (Dichtenschau): $(sed -n 's/^renderer: //p' "$out/frames")"
echo "renderer (VTK):          $(sed -n 's/^renderer: //p' "$out/vtk")"
printf '%-40s %12s %12s %8s\n' "" "Dichtenschau" "VTK" "ratio"
while read -r w h rest drag; do
  size="${w}x${h}"
  ours=$(awk -v s="$size" '$1 == s { print $3, $6, $5 }' "$out/frames")
  set -- $ours
  printf '%-40s %9.1f ms %9.1f ms %8.2f\n' "frame $size at rest (500 steps)" "$1" "$rest" "$(echo "$1 / $rest" | bc -l)"
  printf '%-40s %9.1f ms %9.1f ms %8.2f\n' "frame $size dragging ($3 steps)" "$2" "$drag" "$(echo "$2 / $drag" | bc -l)"
done < <(awk 'NF == 4 && $1 ~ /^[0-9]+$/' "$out/vtk")
for phase in "read" "clamp and histogram count" "gradients into one slab" "texture storage" "slab uploads" "whole Volume, overlapped"; do
  row=$(openRow "$out/open" "$phase" | sed "s/^  $phase//")
  printf '%-40s %9s ms %s\n' "open 512^3: $phase" "$(echo "$row" | awk '{ print $1 }')" "$(echo "$row" | awk '{ $1 = $2 = ""; print }' | sed 's/^ *//')"
done
printf '%-40s %s\n' "open 512^3: peak memory" "$(awk '/^  peak  /{ print $(NF-1), $NF }' "$out/open") (driver keeps $(awk '/kept by the GL driver/{ print $(NF-1) }' "$out/open"))"
printf '%-40s %9s us\n' "editor: coupled drag step" "$(sed -n 's/^coupled drag step: \([0-9.]*\) us.*/\1/p' "$out/editor")"
printf '%-40s %9s us\n' "editor: buildTransferTable(0, 4095)" "$(sed -n 's/^buildTransferTable(0, 4095): \([0-9.]*\) us.*/\1/p' "$out/editor")"
printf '%-40s %9s us\n' "editor: transfer texture upload" "$(sed -n 's/^transfer texture upload: \([0-9.]*\) us/\1/p' "$out/frames")"
