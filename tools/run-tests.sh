#!/usr/bin/env bash
# The test command: installs what is missing, builds the normal and the
# sanitizer build, and runs every test of both (Qt on its offscreen platform,
# GUI tests under their own virtual X server).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash tools/bootstrap.sh
jobs=$(nproc)
status=0
for preset in default sanitize; do
  echo "== $preset build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  echo "== $preset tests"
  ctest --preset "$preset" -j "$jobs" || status=1
done
exit $status
