#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Release preset and runs every benchmark and measuring program (about five minutes).
# Usage: scripts/bench.sh [BUILD_DIR]   (a build directory given: run what is built there)
# Results are medians; docs/PERFORMANCE.md says how each figure is measured and its goal.
set -euo pipefail
cd "$(dirname "$0")/.."

if (($# == 0)); then
    bash scripts/setup.sh
    cmake --preset release >/dev/null
    cmake --build build/release -j1 --target bench_livedecode bench_recdecode bench_recordsaves \
        bench_recordmemory bench_livelatency bench_downloadoverhead bench_windowfootprint bench_overviewcpu bench_trend \
        bench_trendview bench_logwrite bench_logsurvey bench_logwindow bench_report bench_clicpu bench_mqttlatency bench_alarms bench_energy \
        bench_analysisexports
    build=build/release
else
    build=$1
fi
bench=$build/bench
export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8

echo "== machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | xargs)"
echo "== build: $(grep -m1 '^CMAKE_BUILD_TYPE' "$build/CMakeCache.txt" | cut -d= -f2), $(git rev-parse --short HEAD)"
gbench=(--benchmark_counters_tabular=true)

echo "== 1. live frame to a typed reading and its six captions and values (goal <= 5 us)"
"$bench/bench_livedecode" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
    "${gbench[@]}"
echo "== 2. recdecode into the table model (goal <= 300 ms at 65535)"
"$bench/bench_recdecode" "${gbench[@]}"
echo "== 2. memory of the decoded table (goal <= 100 MB added at 65535)"
for n in 1638 65535; do
    "$bench/bench_recordmemory" "$n"
done
echo "== 3. live latency, meter's last byte to texts set (goal: median <= 2 ms)"
"$bench/bench_livelatency"
echo "== 4. download overhead, 1638 records (goal <= 50 ms)"
"$bench/bench_downloadoverhead" 1638
echo "== 5. the window: idle CPU (goal <= 1 % of a core) and resident memory"
"$bench/bench_windowfootprint"
"$bench/bench_overviewcpu"
echo "== 6. saving the table (goal: workbook of 65535 records <= 3 s)"
"$bench/bench_recordsaves" "${gbench[@]}"
echo "== 8. trend store: append <= 2 us, 7-day redraw decimation <= 16 ms, a week <= 100 MB"
"$bench/bench_trend" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
    "${gbench[@]}"
"$bench/bench_trendview" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
    "${gbench[@]}"
echo "== 9. a frame formatted and written to the log (goal <= 50 us); the CLI logging (goal <= 1 %)"
"$bench/bench_logwrite" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
    "${gbench[@]}"
"$bench/bench_clicpu" 60
echo "== 10. a frame to an MQTT subscriber (goal: median <= 5 ms); the CLI publishing (goal <= 1 %)"
"$bench/bench_mqttlatency" 70
"$bench/bench_clicpu" 60 publish
echo "== 12. twenty alarm rules on a live reading (goal <= 2 us); energy and cost per reading"
"$bench/bench_alarms" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
    "${gbench[@]}"
"$bench/bench_energy" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
    "${gbench[@]}"
echo "== 13. 65535 records saved for analysis: CSV (goal <= 200 ms), JSON Lines, workbook"
"$bench/bench_analysisexports" "${gbench[@]}"
echo "== 15. a week's CSV log opened into the trend (goal <= 3 s, <= 100 MB, first piece <= 1 s)"
"$bench/bench_logsurvey"
echo "== 15. the same week in the log window (goal <= 3 s, first picture <= 1 s, <= 100 MB)"
"$bench/bench_logwindow"
echo "== 16. the survey report of that week by korvane-cli (goal <= 3 s, PDF <= 2 MB)"
"$bench/bench_report"
