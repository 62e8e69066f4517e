#!/usr/bin/env bash
# The project's performance figures: prints a table and writes it as JSON.
# Usage: run_bench.sh BUILD_DIR [OUT.json]
set -euo pipefail
build=$(cd "$1" && pwd)
out=${2:-$build/bench.json}
runs=${BENCH_RUNS:-5}
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT
export VELKOR_COM1=/dev/null/velkor-COM1 XDG_RUNTIME_DIR=$work

median() { sort -g | awk '{v[NR]=$1} END {print (NR%2 ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2)}'; }

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"

# Start to first window shown, and resident memory once shown.
start_run() {  # start_run BINARY TITLE -> "ms rss_kb"
  local t0 pid ms rss
  t0=$(date +%s%N)
  "$1" >/dev/null 2>&1 &
  pid=$!
  until xwininfo -root -tree 2>/dev/null | grep -q "\"$2\""; do sleep 0.005; done
  ms=$(( ($(date +%s%N) - t0) / 1000000 ))
  sleep 1
  rss=$(awk '/VmRSS/ {print $2}' /proc/$pid/status)
  kill $pid; wait $pid 2>/dev/null || true
  echo "$ms $rss"
}
for i in $(seq "$runs"); do
  start_run "$build/gui/editor/velkor" VELKOR >>"$work/editor"
  start_run "$build/tests/bench/bare_qt_window" BARE >>"$work/bare"
done
editor_ms=$(cut -d' ' -f1 "$work/editor" | median)
bare_ms=$(cut -d' ' -f1 "$work/bare" | median)
editor_mb=$(cut -d' ' -f2 "$work/editor" | median | awk '{printf "%.1f", $1/1024}')
bare_mb=$(cut -d' ' -f2 "$work/bare" | median | awk '{printf "%.1f", $1/1024}')

# Transfers against the emulator: time over the fixed pauses, CPU of a failed upload.
for i in $(seq 3); do
  "$build/tests/board/board_transfer_perf" >"$work/transfer.$i" 2>&1
done
upload_over=$(grep -h '^upload:' "$work"/transfer.* | awk '{print $4}' | median)
download_over=$(grep -h '^download:' "$work"/transfer.* | awk '{print $4}' | median)
failed_cpu=$(grep -h '^failed upload:' "$work"/transfer.* | awk '{print $5}' | median)

# The simulation window: idle CPU over 5 s and tick-to-display latency.
for i in $(seq 3); do
  QT_QPA_PLATFORM=offscreen "$build/tests/gui/simulation/simulation_measurements" >"$work/sim.$i" 2>&1 || true
done
idle_pct=$(grep -h 'idle:' "$work"/sim.* | sed -E 's/.*= ([0-9.]+) %.*/\1/' | median)
tick_ms=$(grep -h 'tick to repaint' "$work"/sim.* | sed -E 's/.*median ([0-9.]+) ms.*/\1/' | median)

# The board window, on the Xvfb display: input change to chart painted, CPU
# at rest, memory of a 10-minute run.
for i in $(seq 3); do
  "$build/tests/gui/simulation/board_measurements" >"$work/board.$i" 2>&1 || true
done
board_value() { grep -h "$1" "$work"/board.* | sed -E "s/.*$2.*/\1/" | median; }
change_ms=$(board_value 'input change to chart' 'median ([0-9.]+) ms')
moving_pct=$(board_value 'a change in view' ': ([0-9.]+) % of one core')
flat_pct=$(board_value 'no change in view' ': ([0-9.]+) % of one core')
paused_pct=$(board_value 'time paused' ': ([0-9.]+) % of one core')
run_mb=$(board_value '10-minute run' ', ([0-9.]+) MB more')

# velkor-cli simulate on a 100,000-row scenario, with and without its chart.
awk 'BEGIN { print "time_ms,EL1,EL2,EL3,EL4,EL5,EL6,EL7,EA1,EA2,EA3,EA4"; srand(16);
             for (i = 0; i < 100000; i++) { printf "%d", i * 10;
               for (k = 0; k < 7; k++) printf ",%d", int(rand() * 2);
               for (k = 0; k < 4; k++) printf ",%d", int(rand() * 5101); print "" } }' >"$work/scenario.csv"
program=$(dirname "$0")/../gui/editor/atelier.prg
time_ms() { local t0; t0=$(date +%s%N); "$@" >/dev/null; echo $(( ($(date +%s%N) - t0) / 1000000 )); }
for i in $(seq 3); do
  time_ms "$build/cli/velkor-cli" simulate "$program" "$work/scenario.csv" >>"$work/simulate"
  time_ms "$build/cli/velkor-cli" simulate "$program" "$work/scenario.csv" --svg "$work/run.svg" >>"$work/simulate_svg"
done
simulate_ms=$(median <"$work/simulate")
simulate_svg_ms=$(median <"$work/simulate_svg")

ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", (b > 0 ? a / b : 0)}'; }
printf '%-52s %12s %12s %8s\n' "figure (median)" "VELKOR" "bare Qt" "ratio"
printf '%-52s %12s %12s %8s\n' "start to first window shown (ms)" "$editor_ms" "$bare_ms" "$(ratio "$editor_ms" "$bare_ms")"
printf '%-52s %12s %12s %8s\n' "resident memory once shown (MB)" "$editor_mb" "$bare_mb" "$(ratio "$editor_mb" "$bare_mb")"
printf '%-52s %12s\n' "upload: wall time over its 6700 ms of pauses (ms)" "$upload_over"
printf '%-52s %12s\n' "download: wall time over its 5600 ms of pauses (ms)" "$download_over"
printf '%-52s %12s\n' "failed upload, silent board: CPU (s)" "$failed_cpu"
printf '%-52s %12s\n' "open idle simulation window: CPU over 5 s (%)" "$idle_pct"
printf '%-52s %12s\n' "simulation tick to display (ms)" "$tick_ms"
printf '%-52s %12s\n' "board window: input change to chart painted (ms)" "$change_ms"
printf '%-52s %12s\n' "board window, a change in view, time running (%)" "$moving_pct"
printf '%-52s %12s\n' "board window, no change in view, time running (%)" "$flat_pct"
printf '%-52s %12s\n' "board window, time paused (%)" "$paused_pct"
printf '%-52s %12s\n' "board window: 10-minute run, memory added (MB)" "$run_mb"
printf '%-52s %12s\n' "velkor-cli simulate, 100,000 rows (ms)" "$simulate_ms"
printf '%-52s %12s\n' "velkor-cli simulate, 100,000 rows, with --svg (ms)" "$simulate_svg_ms"

cat >"$out" <<JSON
{
  "runs": $runs,
  "editor_start_ms": $editor_ms, "bare_qt_start_ms": $bare_ms, "start_ratio": $(ratio "$editor_ms" "$bare_ms"),
  "editor_rss_mb": $editor_mb, "bare_qt_rss_mb": $bare_mb, "rss_ratio": $(ratio "$editor_mb" "$bare_mb"),
  "upload_over_pauses_ms": $upload_over,
  "download_over_pauses_ms": $download_over,
  "failed_upload_cpu_s": $failed_cpu,
  "simulation_idle_cpu_percent": $idle_pct,
  "simulation_tick_to_display_ms": $tick_ms,
  "board_change_to_chart_ms": $change_ms,
  "board_cpu_percent_change_in_view": $moving_pct,
  "board_cpu_percent_no_change_in_view": $flat_pct,
  "board_cpu_percent_paused": $paused_pct,
  "board_ten_minute_run_mb": $run_mb,
  "simulate_100k_rows_ms": $simulate_ms,
  "simulate_100k_rows_svg_ms": $simulate_svg_ms
}
JSON
echo "written to $out"
