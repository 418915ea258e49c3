#!/usr/bin/env bash
# Pictures of every page of the editor, opened on the generated demo zone, into
# docs/screenshots/ (the README shows them). Runs the editor under Xvfb.
#   tools/screenshots.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$(readlink -f "$0")")/.."
build=${1:-build}

cmake -S . -B "$build" -G Ninja >/dev/null
cmake --build "$build" -j2 --target kelvarin-cli kelvarin-screenshots
mkdir -p "$build/demo" docs/screenshots
"$build/bin/kelvarin-cli" generate "$build/demo/demo-zone.mob" --records 2000 --seed 7 >/dev/null
xvfb-run -a -s "-screen 0 1280x1024x24" \
  "$build/bin/kelvarin-screenshots" "$build/demo/demo-zone.mob" docs/screenshots
