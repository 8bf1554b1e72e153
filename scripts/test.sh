#!/usr/bin/env bash
# Sets up, builds and runs every test headless, under Xvfb with Mesa's software renderer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh build
xvfb-run -a -s "-screen 0 1280x1024x24" ctest --test-dir build --output-on-failure -j2
