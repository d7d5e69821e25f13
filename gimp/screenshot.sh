#!/usr/bin/env bash
# Takes the README's picture of the plug-in's dialog: GIMP under Xvfb with a private profile
# opens a 2000 x 2000 picture and the dialog, and the dialog's window is captured.
# Usage: gimp/screenshot.sh BUILD_DIR OUT.png
set -euo pipefail
build=$(realpath "$1")
out=$(realpath -m "$2")
work=$(mktemp -d)
trap 'kill $gimp_pid $xvfb_pid 2>/dev/null || true; rm -rf "$work"' EXIT

export HOME=$work GIMP2_DIRECTORY=$work/gimp XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config
for folder in brushes dynamics fonts gradients palettes patterns tool-presets scripts templates \
    plug-ins/veltrix-gimp; do
  mkdir -p "$GIMP2_DIRECTORY/$folder"
done
cp "$build/gimp/veltrix-gimp" "$GIMP2_DIRECTORY/plug-ins/veltrix-gimp/"

display=:$((90 + RANDOM % 9))
Xvfb "$display" -screen 0 1400x1000x24 -nolisten tcp &
xvfb_pid=$!
export DISPLAY=$display
sleep 2

# A page with a dark disc; the dialog opens over it with the default settings and orange
# lines (the lines go where the picture is dark).
gimp-2.10 -n -s -d -f -b "
(let* ((img (car (gimp-image-new 2000 2000 RGB)))
       (layer (car (gimp-layer-new img 2000 2000 RGB-IMAGE \"page\" 100 LAYER-MODE-NORMAL))))
  (gimp-image-insert-layer img layer 0 0)
  (gimp-context-set-foreground '(250 248 240))
  (gimp-drawable-fill layer FILL-FOREGROUND)
  (gimp-context-set-foreground '(20 20 40))
  (gimp-image-select-ellipse img CHANNEL-OP-REPLACE 300 300 1400 1400)
  (gimp-drawable-edit-fill layer FILL-FOREGROUND)
  (gimp-selection-none img)
  (gimp-context-set-foreground '(255 150 40))
  (gimp-display-new img)
  (plug-in-veltrix-effect-lines RUN-INTERACTIVE img layer 0 \":S\" 0 0 0 0 0 0 0 1 1 0 0 0 0 0
    0 0 0 0 1 0 0 0 0 \"\"))" >"$work/gimp.log" 2>&1 &
gimp_pid=$!

for _ in $(seq 120); do
  if xwininfo -root -tree 2>/dev/null | grep -q '"Effect Lines"'; then
    break
  fi
  sleep 1
done
sleep 3  # the first preview
window=$(xwininfo -root -tree | awk '/"Effect Lines"/ {print $1; exit}')
import -window "$window" "$out"
echo "wrote $out"
