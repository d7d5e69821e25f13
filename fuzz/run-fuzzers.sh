#!/usr/bin/env bash
# Runs the libFuzzer targets of build/fuzz one after another, each for SECONDS.
# Usage: fuzz/run-fuzzers.sh SECONDS [TARGET...]   (targets: svg_guide preset_text
# text_conversion draw_effect; all by default). New inputs go to build/fuzz/work/TARGET/corpus,
# failing inputs to build/fuzz/work/TARGET/; the committed corpus is only read.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:?usage: fuzz/run-fuzzers.sh SECONDS [TARGET...]}
shift
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(svg_guide preset_text text_conversion draw_effect)
fi

# Input size limits: text targets get room for several tags or sections; the draw target reads
# about 130 bytes of settings.
max_len() {
  case "$1" in
    draw_effect) echo 256 ;;
    *) echo 4096 ;;
  esac
}

# Seconds one input may take before libFuzzer counts it as a hang. The draw target holds each
# input to a processor-time budget of its own, a second plus 2 us per dab it draws near the
# canvas, times this build's slowdown against a release build (measured: 12 to 16 under the
# sanitizers); the timeout only backs that up.
export VELTRIX_FUZZ_SLOWDOWN=${VELTRIX_FUZZ_SLOWDOWN:-20}
timeout_of() {
  case "$1" in
    draw_effect) echo 600 ;;
    *) echo 20 ;;
  esac
}

for target in "${targets[@]}"; do
  binary=build/fuzz/fuzz/fuzz_${target}
  work=build/fuzz/work/${target}
  mkdir -p "${work}/corpus"
  inputs=(fuzz/corpus/${target})
  if [ -d fuzz/regressions/${target} ]; then
    inputs+=(fuzz/regressions/${target})
  fi
  echo "== fuzzing ${target} for ${seconds} s"
  if ! "${binary}" -max_total_time="${seconds}" -timeout="$(timeout_of "${target}")" -rss_limit_mb=2048 \
      -max_len="$(max_len "${target}")" -dict=fuzz/dict/${target}.dict \
      -artifact_prefix="${work}/" -print_final_stats=1 "${work}/corpus" "${inputs[@]}" \
      2> "${work}/log"; then
    tail -n 80 "${work}/log" >&2
    echo "fuzzer ${target} failed; its input is in ${work}/ (keep it in fuzz/regressions/${target}/)" >&2
    exit 1
  fi
  grep -E "^(#[0-9]+.*DONE|stat::number_of_executed_units|stat::peak_rss_mb)" "${work}/log" || true
done
