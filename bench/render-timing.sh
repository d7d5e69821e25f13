#!/usr/bin/env bash
# End-to-end timing of veltrix-render: the typical 4096 x 4096 scene on a dark RGB PNG at each
# --compression, and the 4096 demo. Prints the best and median wall time of RUNS runs and the
# output size. Uses hyperfine when it is installed, plain timing otherwise.
#   bench/render-timing.sh [path/to/veltrix-render] [RUNS]
set -euo pipefail
program=${1:-build/release/tools/veltrix-render}
runs=${2:-5}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A dark page with a slight gradient, as a scanned night scene: 4096 x 4096 RGB, 8 bits.
python3 - "$work/dark.png" <<'PY'
import struct, sys, zlib
w = h = 4096
def chunk(t, d):
    return struct.pack('>I', len(d)) + t + d + struct.pack('>I', zlib.crc32(t + d) & 0xffffffff)
raw = b''.join(b'\0' + bytes([20 + y * 30 // h, 23 + y * 30 // h, 26 + y * 30 // h]) * w
               for y in range(h))
with open(sys.argv[1], 'wb') as f:
    f.write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 2, 0, 0, 0))
            + chunk(b'IDAT', zlib.compress(raw, 6)) + chunk(b'IEND', b''))
PY

scene=(--seed 1 --p1 50%,50% --p2 50%,32.5% --p3 50%,12.5% --size 4 --spacing 10)
measure() {  # name, output, command...
    local name=$1 out=$2
    shift 2
    if command -v hyperfine >/dev/null; then
        hyperfine --runs "$runs" --warmup 1 --style basic -n "$name" "$*" | grep -E 'Time|Range'
    else
        local times=()
        for _ in $(seq "$runs"); do
            local start end
            start=$(date +%s.%N)
            "$@"
            end=$(date +%s.%N)
            times+=("$(echo "$end - $start" | bc)")
        done
        printf '%s\n' "${times[@]}" | sort -n |
            awk -v n="$name" '{t[NR] = $1} END {printf "%-28s best %.3f s  median %.3f s\n", n, t[1], t[int((NR + 1) / 2)]}'
    fi
    echo "  output $(stat -c %s "$out") bytes"
}
for compression in fast default best; do
    measure "scene --compression $compression" "$work/out.png" \
        "$program" -q --compression "$compression" "${scene[@]}" "$work/dark.png" "$work/out.png"
done
measure "demo 4096" "$work/demo.png" "$program" -q --seed 1 --demo --demo-size 4096 "$work/demo.png"
