#!/usr/bin/env bash
# Builds everything from nothing and unwraps the bundled sample: writes the
# unwrapped geometry and a picture of its UV layout into out/.
# Usage: bash tools/run-sample.sh [build-folder]   (default: build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
bash "$root/tools/install-deps.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release
cmake --build "$build" -j"$(nproc)" --target sopcook SOP_Flatskin
mkdir -p "$root/out"
"$build/bin/sopcook" flatskin "$root/samples/hemisphere.obj" "$root/out/hemisphere_unwrapped.obj" \
  -p vizstretch=on --uv-image "$root/out/hemisphere_uv.png"
echo
echo "Unwrapped geometry: $root/out/hemisphere_unwrapped.obj"
echo "UV layout picture:  $root/out/hemisphere_uv.png"
