#!/usr/bin/env python3
"""Turns veltrix_bench JSON (with --benchmark_repetitions) into the README's tables of medians
and ratios.

    build/release/bench/veltrix_bench --benchmark_filter='^(Scene|SceneReference|SceneTasksOnOneThread|ReplaySegments|CairoStroke)/' \\
        --benchmark_repetitions=5 --benchmark_out=bench.json --benchmark_out_format=json
    python3 bench/summarise.py bench.json
"""
import json
import sys


def medians(path):
    with open(path) as f:
        data = json.load(f)
    result = {}
    for b in data["benchmarks"]:
        if b.get("aggregate_name") == "median":
            result[b["run_name"]] = b
    return data["context"], result


def ms(b):
    scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[b["time_unit"]]
    return b["real_time"] * scale


def main():
    context, runs = medians(sys.argv[1])
    print(f"Machine: {context.get('host_name', '?')}, {context['num_cpus']} CPUs at "
          f"{context['mhz_per_cpu']} MHz, load average {context.get('load_avg', '?')}")
    print()
    workers = sorted({int(n.split("workers:")[1].split("/")[0])
                      for n in runs if n.startswith("Scene/") and "workers:" in n})
    wide = workers[-1]
    print(f"| scene | 1 worker | {wide} workers | straightforward, 1 worker | "
          f"speed-up over straightforward | {wide} workers over 1 | heap beside buffer |")
    print("|---|---|---|---|---|---|---|")
    scenes = []
    for name in runs:
        if name.startswith("Scene/") and name.endswith("workers:1/real_time"):
            scenes.append(name.split("/")[1])
    for scene in scenes:
        one = runs[f"Scene/{scene}/workers:1/real_time"]
        many = runs.get(f"Scene/{scene}/workers:{wide}/real_time", one)
        ref = runs.get(f"SceneReference/{scene}/real_time")
        ref_ms = ms(ref) if ref else float("nan")
        print(f"| {scene} | {ms(one):.1f} ms | {ms(many):.1f} ms | {ref_ms:.1f} ms | "
              f"{ref_ms / ms(one):.2f}x | {ms(one) / ms(many):.2f}x | "
              f"{one.get('heap_MiB', 0):.1f} MiB |")
    print()
    alone = runs.get("SceneTasksOnOneThread/latency/real_time")
    lat = runs.get(f"Scene/latency/workers:{wide}/real_time")
    if alone and lat:
        print(f"Latency scene: DrawEffect at {wide} workers {ms(lat):.2f} ms, its tasks on one "
              f"thread without a pool {ms(alone):.2f} ms: {ms(lat) / ms(alone):.2f}x.")
        print()
    print("| segments of | DrawLine replay | cairo_stroke (A8) | Cairo / ours |")
    print("|---|---|---|---|")
    for scene in ("radiate", "parallel", "circle"):
        ours = runs.get(f"ReplaySegments/{scene}")
        cairo = runs.get(f"CairoStroke/{scene}")
        if ours and cairo:
            print(f"| {scene} | {ms(ours):.1f} ms | {ms(cairo):.1f} ms | "
                  f"{ms(cairo) / ms(ours):.2f}x |")


if __name__ == "__main__":
    main()
