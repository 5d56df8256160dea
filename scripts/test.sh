#!/usr/bin/env bash
# Builds both builds and runs every native and every Wine test.
# Ends with one line "N passed, N failed"; exit status non-zero on any failure.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

KV_TEST_TIMEOUT="${KV_TEST_TIMEOUT:-300}"
kv_ensure_packages
kv_ensure_locale
kv_build_native
kv_build_win
kv_package

passed=0
failed=0
report="$KV_BUILD/test-report.txt"
: >"$report"

# Adds the counts from one GoogleTest run's output; a run without a summary counts as a failure.
count_run() {
  local name="$1" out="$2" rc="$3"
  local p f
  p=$(grep -aE '^\[  PASSED  \] [0-9]+ test' "$out" | tail -1 | grep -oE '[0-9]+' | head -1 || true)
  f=$(grep -aE '^\[  FAILED  \] [0-9]+ test' "$out" | tail -1 | grep -oE '[0-9]+' | head -1 || true)
  p=${p:-0}
  f=${f:-0}
  if [ "$rc" -ne 0 ] && [ "$f" -eq 0 ]; then
    f=1
    echo "$name: exited with status $rc without a failure summary (crash or time-out)" >>"$report"
  fi
  passed=$((passed + p))
  failed=$((failed + f))
  printf '%-40s %4d passed %4d failed\n' "$name" "$p" "$f" | tee -a "$report" >&2
  if [ "$f" -ne 0 ]; then
    grep -aE '^\[  FAILED  \]|Failure|error:' "$out" | head -40 >&2 || true
  fi
}

run_native() {
  local out="$KV_BUILD/native-tests.log" rc=0
  timeout -k 5 "$KV_TEST_TIMEOUT" "$KV_NATIVE/kv_native_tests" --gtest_color=no >"$out" 2>&1 || rc=$?
  count_run kv_native_tests "$out" "$rc"
}

# Runs each Win32 test executable under Wine with a time limit. KV_RUN_LABEL tells runs of
# the same executables apart (another code page).
run_wine_group() {
  local prefix="$1"; shift
  kv_wine_prefix "$prefix"
  kv_wine_start_server
  local exe name out rc
  for exe in "$@"; do
    name=$(basename "$exe" .exe)${KV_RUN_LABEL:-}
    out="$KV_BUILD/$name.log"
    rc=0
    (cd "$KV_WIN" && timeout -k 5 "$KV_TEST_TIMEOUT" "$WINE" "$exe" --gtest_color=no) \
      >"$out" 2>&1 || rc=$?
    count_run "$name" "$out" "$rc"
  done
  kv_wine_stop_server
}

trap kv_cleanup EXIT
kv_ensure_display

[ -x "$KV_NATIVE/kv_native_tests" ] && run_native

mapfile -t unit_tests < <(ls "$KV_WIN"/test_*.exe 2>/dev/null | grep -v '/test_e2e_' || true)
mapfile -t e2e_tests < <(ls "$KV_WIN"/test_e2e_*.exe 2>/dev/null || true)
if [ ${#unit_tests[@]} -gt 0 ]; then
  run_wine_group "$KV_WIN/wineprefix" "${unit_tests[@]}"
  # Again under a Western code page (1252): catches code that assumes a Chinese system.
  KV_LC_ALL=C.UTF-8 KV_RUN_LABEL=@1252 run_wine_group "$KV_WIN/wineprefix" "${unit_tests[@]}"
fi
if [ ${#e2e_tests[@]} -gt 0 ]; then
  # End-to-end runs of the real program use a prefix where the stand-in engine is registered
  # in place of the platform's WebBrowser class.
  kv_wine_prefix "$KV_WIN/wineprefix-stub"
  kv_wine_start_server
  "$WINE" regsvr32 /s "$(winepath -w "$KV_WIN/kvstub.dll")" >/dev/null 2>&1 || true
  kv_wine_stop_server
  run_wine_group "$KV_WIN/wineprefix-stub" "${e2e_tests[@]}"
fi

if [ -x "$KV_WIN/kv_install_test.exe" ]; then
  # The installer in a prefix made for this run alone: installs, starts the installed program
  # under Wine's own engine, installs again and uninstalls.
  install_prefix="$KV_WIN/wineprefix-install"
  [ -d "$install_prefix" ] && WINEPREFIX="$install_prefix" wineserver -k >/dev/null 2>&1 || true
  rm -rf "$install_prefix"
  export KV_SETUP="Z:${KV_SETUP_EXE//\//\\}"
  run_wine_group "$install_prefix" "$KV_WIN/kv_install_test.exe"
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]
