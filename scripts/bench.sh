#!/usr/bin/env bash
# Builds the benchmarks (native ones without sanitizers, Windows ones with the cross compiler)
# and runs them; every figure is one line "name value unit".
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

kv_ensure_packages
kv_ensure_locale
bench_native="$KV_BUILD/native-bench"
cmake -S "$KV_ROOT" -B "$bench_native" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKV_SANITIZE=OFF \
  -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang >/dev/null
cmake --build "$bench_native" -j "$KV_JOBS" >/dev/null
kv_build_win >/dev/null

for exe in "$bench_native"/native_*; do
  [ -x "$exe" ] && "$exe"
done

trap kv_cleanup EXIT
kv_ensure_display
kv_wine_prefix "$KV_WIN/wineprefix"
kv_wine_start_server
for exe in "$KV_WIN"/win_*.exe; do
  [ -f "$exe" ] || continue
  (cd "$KV_WIN" && timeout -k 5 600 "$WINE" "$exe" 2>/dev/null | tr -d '\r') || echo "$(basename "$exe") failed" >&2
done
