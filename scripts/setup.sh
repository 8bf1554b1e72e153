#!/usr/bin/env bash
# Installs, with apt-get and only where missing, every Debian 12 package that building,
# testing and running the viewer need; with --bench also what the benchmark needs. A second
# run finds nothing missing and installs nothing.
set -euo pipefail

packages=(
  # compiler and build
  g++ cmake ninja-build pkg-config ccache
  # toolkit, GL loader and the system's OpenGL with Mesa's software renderer
  qt6-base-dev libqt6opengl6-dev qt6-qpa-plugins libglew-dev libgl-dev libgl1-mesa-dri
  # headless display for the tests and screenshots, and a font for the widgets
  xvfb xauth x11-utils fonts-dejavu-core
  # the import layer: ITK's image I/O with GDCM, libarchive for InVesalius projects, zlib
  libinsighttoolkit5-dev libarchive-dev zlib1g-dev
  # DICOM files of other tools, and the writer of the tests' DICOM series
  python3-pydicom
  # the default data set: a real head CT; an MRI in NIfTI to look at in the reading views
  invesalius-examples mricron-data
  # sanitizer and fuzzer runtimes
  clang libclang-rt-14-dev
)

# The benchmark's peer renderer, only for bench/run.sh.
if [ "${1:-}" = "--bench" ]; then
  packages+=(python3-vtk9 python3-numpy bc)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "setup: installing ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
