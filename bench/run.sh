#!/usr/bin/env bash
# The whole benchmark in one run: opening a volume (a generated 512^3 one, and the .dat given
# as $1 if any), opening a 300-file DICOM CT series made from the head CT beside ITK reading
# it alone and a .dat of its grid, opening a whole-body series of 512 x 512 x 1500, frames of the benchmark scene and of a real head CT (the default data set
# made from Debian's invesalius-examples) under a skin and a bone transfer function, side by
# side with VTK's GPU volume ray caster at equal settings and equal framing, and the editor.
# Prints the programs' own reports, then one table. Both renderers' resting pictures are kept
# in build/bench/pictures/ to be looked at side by side.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh --bench
scripts/build.sh build >/dev/null
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
pictures=$PWD/build/bench/pictures
rm -rf "$pictures"
mkdir -p "$pictures"/{frame,ct_skin,ct_bone}
headless() { xvfb-run -a -s "-screen 0 1280x1024x24" "$@"; }
# As scripts/run.sh starts the viewer: the GL driver's copy of a volume on huge pages.
export GLIBC_TUNABLES=glibc.malloc.hugetlb=1

echo "== open: generated 512^3"
headless build/bench/bench_volume_open "" 3 | tee "$out/open"
if [ $# -gt 0 ]; then
  echo "== open: $1"
  headless build/bench/bench_volume_open "$1" 3 | tee "$out/open_given"
fi
echo "== open: DICOM series 512 x 512 x 300"
headless build/bench/bench_series_open "" 3 | grep -v -e '^loading ' -e '^Histogram size' -e '^Volume density' \
  | tee "$out/series"
echo "== open: whole-body DICOM series 512 x 512 x 1500"
headless build/bench/bench_series_open --whole-body 1500 | grep -v -e '^loading ' -e '^Histogram size' -e '^Volume density' \
  | tee "$out/wholebody"
echo "== frames: Dichtenschau"
headless build/bench/bench_frames --frames 10 --count --save "$pictures/frame" | tee "$out/frames"
echo "== frames: VTK GPU ray caster"
(cd "$out" && headless /usr/bin/python3 "$OLDPWD/bench/vtk_peer.py" --frames 10 --save "$pictures/frame") | tee "$out/vtk"

ct=build/bench/head-ct.dat
scripts/make-default-volume.sh "$ct"
peer_stops_bone="0:1:0,2200:1:0,3000:1:1,4095:1:1"
for tf in skin bone; do
  echo "== frames: head CT, $tf: Dichtenschau"
  headless build/bench/bench_frames --frames 5 --volume "$ct" --transfer $tf --count --save "$pictures/ct_$tf" \
    | tee "$out/ct_$tf"
  echo "== frames: head CT, $tf: Dichtenschau without empty-space skipping"
  headless build/bench/bench_frames --frames 5 --volume "$ct" --transfer $tf --skip off | tee "$out/ct_${tf}_all"
  if [ $tf = skin ]; then
    range=$(sed -n 's/^skin stops over \([0-9]*\)\.\.\([0-9]*\)$/\1 \2/p' "$out/ct_$tf")
    set -- $range
    stops="$1:0:0,$(echo "($1 + $2) / 2" | bc -l):1:1,$2:0:0"
  else
    stops=$peer_stops_bone
  fi
  echo "== frames: head CT, $tf: VTK GPU ray caster (stops $stops)"
  (cd "$out" && headless /usr/bin/python3 "$OLDPWD/bench/vtk_peer.py" --frames 5 --volume "$OLDPWD/$ct" --stops "$stops" \
    --save "$pictures/ct_$tf") \
    | tee "$out/vtk_ct_$tf"
done
# The maximum intensity projection through a window of -400..2000 HU, beside VTK's MIP blend.
mip_window="2400,1824"
mkdir -p "$pictures/ct_mip"
echo "== frames: head CT, MIP: Dichtenschau"
headless build/bench/bench_frames --frames 5 --volume "$ct" --mode mip --window "$mip_window" --save "$pictures/ct_mip" \
  | tee "$out/ct_mip"
echo "== frames: head CT, MIP: VTK GPU ray caster"
(cd "$out" && headless /usr/bin/python3 "$OLDPWD/bench/vtk_peer.py" --frames 5 --volume "$OLDPWD/$ct" --blend mip \
  --window "$mip_window" --save "$pictures/ct_mip") | tee "$out/vtk_ct_mip"
echo "== editor"
headless build/bench/bench_editor | tee "$out/editor"
echo "== reading views"
headless build/bench/bench_slices | tee "$out/slices"

field() { awk -v key="$2" -v col="$3" 'index($0, key) == 1 || $1 == key { print $col; exit }' "$1"; }
openRow() { awk -v key="$2" 'index($0, "  " key " ") == 1 { print; exit }' "$1"; }

echo
echo "== summary"
echo "machine: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(nproc) cores"
echo "renderer (Dichtenschau): $(sed -n 's/^renderer: //p' "$out/frames")"
echo "renderer (VTK):          $(sed -n 's/^renderer: //p' "$out/vtk")"
# frameRows LABEL OURS PEER [WITHOUT_SKIPPING]: one row per window size and state.
frameRows() {
  local label=$1 ours=$2 peer=$3 all=${4:-}
  local w h rest drag size t skipped plain
  while read -r w h rest drag; do
    size="${w}x${h}"
    t=($(awk -v s="$size" '$1 == s { print $3, $6, $5 }' "$ours"))
    skipped=($(sed -n "s/^skipped $size: rest \([0-9.]*\) %, drag \([0-9.]*\) %/\1 \2/p" "$ours"))
    plain=("" "")
    [ -n "$all" ] && plain=($(awk -v s="$size" '$1 == s { print $3, $6 }' "$all"))
    printf '%-48s %9.1f ms %9.1f ms %8.2f %7s %% %12s\n' "$label $size at rest (500 steps)" "${t[0]}" "$rest" \
      "$(echo "${t[0]} / $rest" | bc -l)" "${skipped[0]:-}" "${plain[0]:+${plain[0]} ms}"
    printf '%-48s %9.1f ms %9.1f ms %8.2f %7s %% %12s\n' "$label $size dragging (${t[2]} steps)" "${t[1]}" "$drag" \
      "$(echo "${t[1]} / $drag" | bc -l)" "${skipped[1]:-}" "${plain[1]:+${plain[1]} ms}"
  done < <(awk 'NF == 4 && $1 ~ /^[0-9]+$/' "$peer")
}
printf '%-48s %12s %12s %8s %9s %12s\n' "" "Dichtenschau" "VTK" "ratio" "skipped" "no skipping"
frameRows "frame" "$out/frames" "$out/vtk"
frameRows "head CT skin" "$out/ct_skin" "$out/vtk_ct_skin" "$out/ct_skin_all"
frameRows "head CT bone" "$out/ct_bone" "$out/vtk_ct_bone" "$out/ct_bone_all"
# framingRows LABEL OURS PEER: the share of each resting picture that is not black, and a
# warning where the two renderers did not draw the volume at the same extent.
framingRows() {
  local label=$1 ours=$2 peer=$3 size x y
  while read -r size y; do
    x=$(sed -n "s/^coverage $size: \([0-9.]*\) %/\1/p" "$ours")
    printf 'framing %s %s: coverage ours %s %%, VTK %s %%\n' "$label" "$size" "${x:-?}" "$y"
    if [ -z "$x" ] || [ "$(echo "d = $x - $y; d > 5 || d < -5" | bc -l)" = 1 ]; then
      echo "WARNING: $label $size: the two pictures differ in coverage by more than 5 points; the times compare unequal work"
    fi
  done < <(sed -n 's/^coverage \([0-9]*x[0-9]*\): \([0-9.]*\) %/\1 \2/p' "$peer")
}
# restRows LABEL OURS PEER: the resting frame of each window size, ours beside the peer's.
restRows() {
  local label=$1 ours=$2 peer=$3 w h rest drag t
  while read -r w h rest drag; do
    t=$(awk -v s="${w}x${h}" '$1 == s { print $3 }' "$ours")
    printf '%-48s %9.1f ms %9.1f ms %8.2f\n' "$label ${w}x${h} at rest" "$t" "$rest" "$(echo "$t / $rest" | bc -l)"
  done < <(awk 'NF == 4 && $1 ~ /^[0-9]+$/' "$peer")
}
restRows "head CT MIP" "$out/ct_mip" "$out/vtk_ct_mip"
framingRows "frame" "$out/frames" "$out/vtk"
framingRows "head CT skin" "$out/ct_skin" "$out/vtk_ct_skin"
framingRows "head CT bone" "$out/ct_bone" "$out/vtk_ct_bone"
framingRows "head CT MIP" "$out/ct_mip" "$out/vtk_ct_mip"
for phase in "read" "clamp and histogram count" "gradients into one slab" "texture storage" "slab uploads" "whole Volume, overlapped"; do
  row=$(openRow "$out/open" "$phase" | sed "s/^  $phase//")
  printf '%-40s %9s ms %s\n' "open 512^3: $phase" "$(echo "$row" | awk '{ print $1 }')" "$(echo "$row" | awk '{ $1 = $2 = ""; print }' | sed 's/^ *//')"
done
openPeak() { awk -v key="$1" 'index($0, "  " key " ") == 1 { print $(NF-1); exit }' "$out/open"; }
printf '%-40s %9s bytes/voxel above the baseline: the GL driver keeps %s, our own peak %s (goal at most 3)\n' \
  "open 512^3: peak memory" "$(openPeak "peak")" "$(openPeak "kept by the GL driver after")" \
  "$(openPeak "peak less the driver's")"
openMedian() { openRow "$out/open" "$1" | sed "s/^  $1//" | awk '{ print $1 }'; }
printf '.dat 512^3 open: %s ms = %s x file read (clamp+hist %s, gradients %s, read %s, texture storage %s, uploads %s ms)\n' \
  "$(openMedian "whole Volume, overlapped")" \
  "$(openRow "$out/open" "whole Volume, overlapped" | awk '{ sub(/x$/, "", $6); print $6 }')" \
  "$(openMedian "clamp and histogram count")" "$(openMedian "gradients into one slab")" "$(openMedian "read")" \
  "$(openMedian "texture storage")" "$(openMedian "slab uploads")"
seriesRow() { awk -v key="$2" 'index($0, key) > 0 { print $NF; exit }' "$1"; }
printf '%-40s %9s ms\n' "open series: ITK read alone (a)" "$(seriesRow "$out/series" "(a) ITK")"
printf '%-40s %9s ms\n' "open series: .dat of its grid (b)" "$(seriesRow "$out/series" "(b) .dat")"
printf '%-40s %9s ms\n' "open series: as the viewer does (c)" "$(seriesRow "$out/series" "(c) series")"
printf '%-40s %9s    (goal at most 1.0)\n' "open series: c / (a + b)" "$(awk '/ratio c/{ print $7; exit }' "$out/series")"
printf '%-40s %9s bytes/voxel (goal at most 14; driver keeps %s)\n' "open series: peak memory" \
  "$(awk '/peak less the driver/{ print $(NF-5); exit }' "$out/series")" \
  "$(awk '/kept by the GL driver/{ print $(NF-1); exit }' "$out/series")"
printf '%-40s %9s bytes/voxel, %s times its values of %s bytes/voxel (goal at most 1.10)\n' "open series: the reader's peak" \
  "$(awk '/the reader process.s peak/{ print $(NF-1); exit }' "$out/series")" \
  "$(awk '/the reader.s peak \/ its values/{ print $(NF-4); exit }' "$out/series")" \
  "$(awk '/the values the reader keeps/{ print $(NF-2); exit }' "$out/series")"
sed -n 's/^whole-body series \([0-9]*\) x \([0-9]*\) x \([0-9]*\): opened in \([0-9.]*\) ms.*, ITK read alone \([0-9.]*\) ms, peak \([0-9.]*\) bytes\/voxel.*, shown at \(.*\)$/open series \1x\2x\3: \4 ms, ITK read alone \5 ms, peak \6 bytes\/voxel, shown at \7/p' \
  "$out/wholebody"
sed -n 's/^\(scan [0-9]* files: [0-9.]* ms\)$/\1/p' "$out/wholebody"
printf '%-40s %9s us\n' "editor: coupled drag step" "$(sed -n 's/^coupled drag step: \([0-9.]*\) us.*/\1/p' "$out/editor")"
printf '%-40s %9s us\n' "editor: buildTransferTable(0, 4095)" "$(sed -n 's/^buildTransferTable(0, 4095): \([0-9.]*\) us.*/\1/p' "$out/editor")"
printf '%-40s %9s us\n' "editor: transfer texture upload" "$(sed -n 's/^transfer texture upload: \([0-9.]*\) us/\1/p' "$out/frames")"
printf '%-40s %9s us\n' "editor: brick visibility, head CT" "$(sed -n 's/.*visibility rebuild: \([0-9.]*\) us.*/\1/p' "$out/ct_bone")"
# One row per orientation and change: "slice 512x512 scroll axial in 800x800: median M ms, slowest S ms".
awk '$1 == "slice" { printf "%-40s %9s ms    (slowest %s ms; goal at most 20)\n", "2-D " $4 " " $3 ", " $2 " slice", $8, $11 }' "$out/slices"
awk '$1 == "slab" { printf "%-40s %9s ms    (slowest %s ms; goal at most 20)\n", "2-D " $4 " slab 15 mm MIP, " $2 " slice", $8, $11 }' "$out/slices"
