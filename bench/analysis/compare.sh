#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Compares the analysis of a corpus with the shared reference programs, side by side.
#   bench/analysis/compare.sh /tmp/corpus/10k [build]
# Needs hyperfine; the corpus comes from ../shared/bench/make_corpus.py, the reference programs
# are built from ../shared/bench into /tmp/tarnq-bench.
set -euo pipefail
corpus=${1:?corpus folder}
build=${2:-build}
shared=${SHARED_BENCH:-$(cd "$(dirname "$0")/../../.." && pwd)/shared/bench}
out=/tmp/tarnq-bench
mkdir -p "$out"
gcc -O2 -o "$out/lowerbound" "$shared/lowerbound.c"
if pkg-config --exists taglib; then
  g++ -O2 -std=c++17 -o "$out/taglib_scan" "$shared/taglib_scan.cpp" $(pkg-config --cflags --libs taglib)
fi
commands=("$out/lowerbound $corpus" "$build/bench/analysis/analyse_tree $corpus")
[ -x "$out/taglib_scan" ] && commands+=("$out/taglib_scan $corpus")
hyperfine -w 1 -r 5 -N "${commands[@]}"
