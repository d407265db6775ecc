#!/bin/sh
# Measures the window check against the true parallax of the generated test
# scenes: renders the four scenes with samples/generate_sample (once; a few
# minutes), then runs window_accuracy on them as rendered (1200 x 800, matched
# at full size) and enlarged four times (4800 x 3200, matched on the reduced
# copy 1500 pixels wide, as a camera's pair would be).
#
# Usage: bench/window_accuracy.sh [BUILD_DIR [SCENE_DIR]]
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
scenes=${2:-$build/window_scenes}
export QT_QPA_PLATFORM=offscreen
cmake --build "$build" --target generate_sample window_accuracy
mkdir -p "$scenes"
for scene in beispiel links unten fern; do
  [ -f "$scenes/${scene}_P.pfm" ] || "$build/samples/generate_sample" --scene "$scene" "$scenes"
done
echo "== as rendered, 1200 x 800"
"$build/bench/window_accuracy" "$scenes"
echo "== enlarged 4 x, 4800 x 3200"
"$build/bench/window_accuracy" "$scenes" --upscale 4
