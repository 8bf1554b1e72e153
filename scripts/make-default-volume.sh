#!/usr/bin/env bash
# Converts the head CT that Debian ships in invesalius-examples into the viewer's default
# data set, the given .dat file (the viewer opens lobster.dat from its working directory).
# Runs the importer only when the output is missing or older than the importer.
# Usage: scripts/make-default-volume.sh OUTPUT.dat [IMPORTER]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:?usage: make-default-volume.sh OUTPUT.dat [IMPORTER]}
importer=${2:-$root/build/importer/dat-import}
ct=/usr/share/doc/invesalius-examples/examples/Cranium.inv3

if [ -f "$out" ] && [ "$out" -nt "$importer" ]; then
  exit 0
fi
if [ ! -x "$importer" ]; then
  echo "make-default-volume: no importer at $importer (build it with scripts/build.sh build)" >&2
  exit 1
fi
if [ ! -f "$ct" ]; then
  echo "make-default-volume: $ct is missing (install invesalius-examples with scripts/setup.sh)" >&2
  exit 1
fi
mkdir -p "$(dirname "$out")"
"$importer" --mapping hu "$ct" "$out"
