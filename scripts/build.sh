#!/usr/bin/env bash
# scripts/build.sh normal|asan : configures (once) and builds one build tree.
set -euo pipefail
cd "$(dirname "$0")/.."
kind=${1:-normal}
jobs=$(nproc)
case "$kind" in
  normal)
    dir=build
    [ -f $dir/build.ninja ] || cmake -S . -B $dir -G Ninja -DCMAKE_BUILD_TYPE=Release
    ;;
  asan)
    dir=build-asan
    [ -f $dir/build.ninja ] || cmake -S . -B $dir -G Ninja -DCMAKE_BUILD_TYPE=Sanitize \
      -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DSIG_SANITIZE=ON -DSIG_FUZZ=ON
    ;;
  *) echo "usage: scripts/build.sh normal|asan" >&2; exit 2 ;;
esac
cmake --build $dir -j "$jobs"
