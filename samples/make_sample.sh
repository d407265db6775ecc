#!/bin/sh
# Builds the sample-pair generator and renders Beispiel_L.jpg and
# Beispiel_R.jpg next to this script. Needs g++ and the Qt 6 Gui development
# files (found through pkg-config); runs without a display.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
g++ -std=c++20 -O2 -fPIC -o "$work/generate_sample" "$here/generate_sample.cpp" \
    $(pkg-config --cflags --libs Qt6Gui)
QT_QPA_PLATFORM=offscreen "$work/generate_sample" "$here"
ls -l "$here/Beispiel_L.jpg" "$here/Beispiel_R.jpg"
