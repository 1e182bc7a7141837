#!/usr/bin/env bash
# Runs every benchmark and prints one table: operation, size, Mivra, floor (the same work through
# the SQLite C API or a reference library, measured in the same run) and their ratio.
#   ./bench.sh                      10,000 and 100,000 contacts
#   MIVRA_BENCH_MILLION=1 ./bench.sh   also 1,000,000 (making that log takes minutes)
# Extra arguments go to every benchmark binary (--benchmark_filter=..., --benchmark_repetitions=...).
# The Window rows are the window's own work driven under Xvfb as an operator does it
# (bench/window_timing.sh), at 10,000 and, with MIVRA_BENCH_MILLION, 1,000,000 contacts; their floor is
# the same round trip through the window with a key that does nothing. MIVRA_BENCH_LOG_1M names a
# ready log of a million contacts (bench/fill_log.sql) to copy instead of making one.
set -euo pipefail
cd "$(dirname "$0")"
[ -d build ] || cmake -S . -B build -G Ninja
binaries=(mivra_bench_geo mivra_bench_log mivra_bench_map mivra_bench_exchange mivra_bench_qsl mivra_bench_contest
          mivra_bench_backup mivra_bench_share)
cmake --build build --target "${binaries[@]}"
results=$(mktemp)
trap 'rm -f "$results"' EXIT
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
status=0
for binary in "${binaries[@]}"; do
  echo "running $binary ..." >&2
  # CSV lines: name,iterations,real_time,cpu_time,time_unit,bytes,items,label,...; a binary whose rows a
  # filter leaves out prints none, and has not failed.
  if ! "build/bench/$binary" --benchmark_format=csv "$@" 2>/dev/null > "$results.one"; then
    echo "bench.sh: $binary failed" >&2
    status=1
  fi
  grep '^"BM_' "$results.one" >> "$results" || true
done
rm -f "$results.one"
# A filter that leaves out every Window row skips the driven runs.
if [[ " $* " != *"--benchmark_filter"* || " $* " == *Window* ]]; then
  cmake --build build --target mivra mivra_control_places
  export MIVRA_CONTROL_PLACES=$PWD/build/tests/e2e/mivra_control_places
  sizes=(10000)
  [ -n "${MIVRA_BENCH_MILLION:-}" ] && sizes+=(1000000)
  for size in "${sizes[@]}"; do
    echo "running window_timing.sh at $size ..." >&2
    ready=()
    [ "$size" = 1000000 ] && [ -n "${MIVRA_BENCH_LOG_1M:-}" ] && ready=("$MIVRA_BENCH_LOG_1M")
    if ! bench/window_timing.sh build/src/app/mivra "$size" "${ready[@]}" >> "$results"; then
      echo "bench.sh: window_timing.sh at $size failed" >&2
      status=1
    fi
  done
fi
awk -F, '
function ms(value, unit) { return unit == "ns" ? value / 1e6 : unit == "us" ? value / 1e3 : unit == "s" ? value * 1e3 : value }
function shown(value) { return value >= 100 ? sprintf("%.0f ms", value) : value >= 1 ? sprintf("%.2f ms", value) : sprintf("%.1f us", value * 1e3) }
{
  name = $1; gsub(/"/, "", name)
  if (name ~ /_(mean|median|stddev|cv)$/) next
  # The run settings in a name (iterations:5, real_time) are no part of what is measured.
  gsub(/\/(iterations|repeats|min_time):[^\/]*|\/(real_time|manual_time)/, "", name)
  split(name, parts, "/"); base = parts[1]; args = substr(name, length(base) + 1)
  time = ms($3, $5)
  label = $8; gsub(/"/, "", label)
  if (base ~ /Raw$/) { floor[substr(base, 1, length(base) - 3) args] = time; next }
  if (!((base args) in seen)) { order[++n] = base args; seen[base args] = 1 }
  mivra[base args] = time; op[base args] = base; rest[base args] = args; note[base args] = label
}
END {
  printf "%-34s %-22s %12s %12s %7s  %s\n", "operation", "size", "Mivra", "floor", "ratio", "note"
  for (i = 1; i <= n; ++i) {
    key = order[i]; size = rest[key]; sub(/^\//, "", size); if (size == "") size = "-"
    sub(/^BM_/, "", op[key])
    if (key in floor)
      printf "%-34s %-22s %12s %12s %7.2f  %s\n", op[key], size, shown(mivra[key]), shown(floor[key]), mivra[key] / floor[key], note[key]
    else
      printf "%-34s %-22s %12s %12s %7s  %s\n", op[key], size, shown(mivra[key]), "-", "-", note[key]
  }
}' "$results"
exit $status
