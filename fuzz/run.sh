#!/usr/bin/env bash
# Builds the fuzz targets with clang (coverage, AddressSanitizer, UndefinedBehaviorSanitizer)
# into build-fuzz/ and runs them one after another, niced, for the given seconds each (default
# 900): the .dat, .stops and .measurements readers, and the import layer on one file of each format it reads.
# New inputs go to build-fuzz/corpus/, crashes to build-fuzz/artifacts/, each run's log to
# build-fuzz/<target>.log; the seeds in fuzz/corpus/ stay as they are. The DICOM target also
# starts from python3-pydicom's test files (compressed transfer syntaxes among them) where
# they are installed. Each run may take 2 GiB, as the viewer's reader process may for a
# file of that size.
# The import targets run in forked jobs that go on past a crash: the viewer reads these
# formats in a process of its own, where a library that aborts costs one refusal line, so
# such crashes are collected for a look (which code crashed) rather than ending the run.
# Usage: fuzz/run.sh [SECONDS] [TARGET...]    (targets: fuzz_datfile fuzz_stopsfile fuzz_measurementsfile fuzz_nifti
#        fuzz_nrrd fuzz_metaimage fuzz_dicom fuzz_inv3 fuzz_dicomscan fuzz_dicomdir; all of them by default)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-900}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_datfile fuzz_stopsfile fuzz_measurementsfile fuzz_nifti fuzz_nrrd fuzz_metaimage fuzz_dicom fuzz_inv3 fuzz_dicomscan fuzz_dicomdir)
build=build-fuzz

cmake -S . -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DDICHTENSCHAU_FUZZ=ON >/dev/null
nice -n 10 cmake --build "$build" -j2 --target "${targets[@]}"

pydicom=/usr/lib/python3/dist-packages/pydicom/data/test_files
seeds() {
  case $1 in
    fuzz_datfile) echo fuzz/corpus/dat ;;
    fuzz_stopsfile) echo fuzz/corpus/stops ;;
    fuzz_measurementsfile) echo fuzz/corpus/measurements ;;
    fuzz_dicom | fuzz_dicomscan | fuzz_dicomdir) echo fuzz/corpus/dicom; [ -d "$pydicom" ] && echo "$pydicom" ;;
    *) echo "fuzz/corpus/${1#fuzz_}" ;;
  esac
}
# Room for whole DICOM files of other tools (most of pydicom's are under 64 KiB).
maxLength() { case $1 in fuzz_dicom | fuzz_dicomscan | fuzz_dicomdir) echo 65536 ;; *) echo 8192 ;; esac; }

export LSAN_OPTIONS=suppressions=$PWD/fuzz/lsan.supp:print_suppressions=0
# Jobs that go on past a crash, for the targets whose reading the viewer does in its reader process.
forked() { case $1 in fuzz_datfile | fuzz_stopsfile | fuzz_measurementsfile) ;; *) echo -fork=1 -ignore_crashes=1 -ignore_ooms=1 -ignore_timeouts=1 ;; esac; }

status=0
for t in "${targets[@]}"; do
  mkdir -p "$build/corpus/$t" "$build/artifacts/$t"
  # Inputs up to 8 KiB elsewhere: grids of a few thousand samples, stops files of up to 341
  # records. The cut-off at 4096 stops (96 KiB) is left to tst_stopsfile.
  # shellcheck disable=SC2046
  if ! /usr/bin/time -f "peak RSS of one process: %M KiB" nice -n 10 "$build/fuzz/$t" "$build/corpus/$t" $(seeds "$t") \
    $(forked "$t") -max_total_time="$seconds" -max_len="$(maxLength "$t")" -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$build/artifacts/$t/" >"$build/$t.log" 2>&1; then
    echo "$t: finding, see $build/$t.log and $build/artifacts/$t/"
    status=1
  fi
  grep -E '^(stat::|#[0-9]+ +DONE|#[0-9]+: cov)|^peak RSS' "$build/$t.log" | tail -n 12 | sed "s/^/$t: /"
  ls "$build/artifacts/$t" | sed "s/^/$t: artifact /"
done
exit $status
