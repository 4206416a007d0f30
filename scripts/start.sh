#!/usr/bin/env bash
# Installs what is missing, builds and starts the program.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "Wuvo is a desktop program and needs a desktop session: neither DISPLAY nor WAYLAND_DISPLAY is set." >&2
  exit 1
fi
bash scripts/install-deps.sh
# Only the program and its help book: the tests and benchmarks are built by
# scripts/test.sh.
bash scripts/build.sh build --target wuvo
exec build/wuvo
