#!/usr/bin/env bash
# Configures and builds one flavour: scripts/build.sh DIR [--target NAME] [cmake options...]
# Without --target everything is built: the program, its tests and benchmarks.
set -euo pipefail
dir=$1; shift
target=()
if [ "${1:-}" = "--target" ]; then
  target=(--target "$2"); shift 2
fi
cmake -S "$(dirname "$0")/.." -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$dir" -j "$(nproc)" "${target[@]}"
