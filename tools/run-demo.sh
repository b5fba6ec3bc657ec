#!/usr/bin/env bash
# The main job: installs what is missing, builds, and runs the LCD example
# in our simulator host (headless when there is no display).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash tools/bootstrap.sh
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)"
exec build/default/bin/agsi-host "$@" examples/lcd_hello.lua
