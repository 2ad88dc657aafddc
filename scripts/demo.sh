#!/usr/bin/env bash
# Sets up, builds the plug-in and the renderer, and renders the demo phrase through the
# built VST3 to demo.wav and demo.png in the repository root.
# GORLAN_BUILD_DIR picks the build folder (default: build in the repository root).
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${GORLAN_BUILD_DIR:-$root/build}"

GORLAN_BUILD_DIR="$build" "$root/scripts/build.sh" Gorlan_VST3 Gorlan_LV2 Gorlan_Standalone gorlan-render

"$build/tools/gorlan-render" --output "$root/demo.wav" --png "$root/demo.png"

artefacts="$build/instrument/Gorlan_artefacts/Release"
cat <<EOF

Rendered the demo phrase: $root/demo.wav and $root/demo.png

Built plug-ins:
  VST3        $artefacts/VST3/Gorlan.vst3
  LV2         $artefacts/LV2/Gorlan.lv2
  Standalone  $artefacts/Standalone/Gorlan

Install them for your user:
  mkdir -p ~/.vst3 ~/.lv2
  cp -r "$artefacts/VST3/Gorlan.vst3" ~/.vst3/
  cp -r "$artefacts/LV2/Gorlan.lv2" ~/.lv2/
Run the Standalone directly: "$artefacts/Standalone/Gorlan"
EOF
