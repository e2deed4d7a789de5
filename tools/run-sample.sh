#!/usr/bin/env bash
# Builds everything from nothing and unwraps the bundled samples: an open
# hemisphere, and a closed mesh (Spot) whose seams autoseams finds; writes
# the unwrapped geometry and a picture of each UV layout into out/.
# Usage: bash tools/run-sample.sh [build-folder]   (default: build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
bash "$root/tools/install-deps.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release
cmake --build "$build" -j"$(nproc)" --target sopcook SOP_Flatskin SOP_AutoSeams
mkdir -p "$root/out"
"$build/bin/sopcook" flatskin "$root/samples/hemisphere.obj" "$root/out/hemisphere_unwrapped.obj" \
  -p vizstretch=on --uv-image "$root/out/hemisphere_uv.png"
"$build/bin/sopcook" autoseams,flatskin "$root/tests/data/meshes/spot_quads.obj" "$root/out/spot_unwrapped.geo" \
  -p seams=autoseams -p solver=direct -p angles=abfpp --uv-image "$root/out/spot_uv.png"
echo
echo "Unwrapped geometry: $root/out/hemisphere_unwrapped.obj, $root/out/spot_unwrapped.geo"
echo "UV layout pictures: $root/out/hemisphere_uv.png, $root/out/spot_uv.png"
