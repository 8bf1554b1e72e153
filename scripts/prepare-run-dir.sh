#!/usr/bin/env bash
# Prepares the run directory (default run/): the four shader files and the default data set
# lobster.dat side by side, as the viewer finds them by relative name.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-run}
mkdir -p "$dir"
cp shaders/shader1.vert shaders/shader1.frag shaders/slice_shader.vert shaders/slice_shader.frag "$dir"/
scripts/make-default-volume.sh "$dir/lobster.dat"
