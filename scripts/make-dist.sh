#!/usr/bin/env bash
# Lays out the release folder dist/ (what a user downloads and unpacks) from
# the windows build, and zips it. Usage: scripts/make-dist.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/windows}
dist=$root/dist
rm -rf "$dist"
mkdir -p "$dist"
cp "$build/ZUVInstaller.exe" "$dist/"
cp "$build/plugin/dsp_zv.dll" "$dist/"
cp "$root/plugin/helpfile.html" "$root/plugin/zvlogo.jpg" "$dist/"
(cd "$dist" && rm -f ../dist.zip && zip -q -X ZUV.zip ZUVInstaller.exe dsp_zv.dll helpfile.html zvlogo.jpg)
echo "make-dist: $(ls "$dist" | tr '\n' ' ')"
