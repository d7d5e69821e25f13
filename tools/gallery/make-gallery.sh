#!/usr/bin/env bash
# Renders the README's gallery: the three effects with the two built-in guides and the custom
# guide wave.svg, each on the built-in demo scene at 256 x 256.
# Usage: tools/gallery/make-gallery.sh PATH/TO/veltrix-render OUTPUT-FOLDER
set -euo pipefail

render=$1
out=$2
here=$(cd "$(dirname "$0")" && pwd)

# A private data folder: the user's own presets and guides stay out of it.
data=$(mktemp -d)
trap 'rm -rf "$data"' EXIT
export XDG_DATA_HOME=$data
mkdir -p "$data/Orvane/vxplugin/guide"
cp "$here/wave.svg" "$data/Orvane/vxplugin/guide/wave.svg"

mkdir -p "$out"
for type in radiate parallel circle; do
  for guide in :S :C wave; do
    case $guide in
      :S) file=straight ;;
      :C) file=curve ;;
      *) file=$guide ;;
    esac
    args=(--demo --demo-size 256 --type "$type" --guide "$guide")
    echo "veltrix-render ${args[*]} $type-$file.png"
    "$render" --quiet "${args[@]}" "$out/$type-$file.png"
  done
done

# One seeded render beside its lines as SVG outlines, drawn by rsvg-convert over the page colour.
args=(--demo --demo-size 256 --type radiate --guide :C --size 5 --hardness 1 --seed 2026)
echo "veltrix-render ${args[*]} --svg seeded-lines.svg seeded.png"
"$render" --quiet "${args[@]}" --svg "$out/seeded-lines.svg" "$out/seeded.png"
rsvg-convert -b '#1b2340' "$out/seeded-lines.svg" -o "$out/seeded-svg.png"
