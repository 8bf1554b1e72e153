#!/usr/bin/env bash
# Sets up, builds, prepares the run directory and starts the viewer there.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh build
scripts/prepare-run-dir.sh run
cd run
exec ../build/app/dichtenschau "$@"
