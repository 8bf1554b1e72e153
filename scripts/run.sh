#!/usr/bin/env bash
# Sets up, builds, prepares the run directory and starts the viewer there.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh build
scripts/prepare-run-dir.sh run
cd run
# The GL driver copies every volume into memory of its own; on huge pages the first touch of
# that copy is far cheaper, so a large volume opens several times faster.
export GLIBC_TUNABLES=glibc.malloc.hugetlb=1
exec ../build/app/dichtenschau "$@"
