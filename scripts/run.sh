#!/usr/bin/env bash
# Builds the browser and starts it under Wine in a prefix of its own, with the given
# addresses. Without a display it runs under Xvfb, waits for the frame, saves a screenshot
# (the path is printed) and exits. KV_DPI sets the screen's scale (96 by default).
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

kv_ensure_packages
kv_ensure_locale
kv_build_win
kv_wine_prefix "$KV_WIN/wineprefix-run"
# The screen's scale for this run (KV_DPI=144 for 150 %); Wine reads it at start.
"$WINE" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "${KV_DPI:-96}" /f \
  >/dev/null 2>&1 || true
headless=""
[ -z "${DISPLAY:-}" ] && headless=1
trap kv_cleanup EXIT
kv_ensure_display

cd "$KV_WIN"
if [ -z "$headless" ]; then
  "$WINE" "$KV_WIN/kvbr.exe" "$@"
  exit 0
fi

kv_wine_start_server
"$WINE" "$KV_WIN/kvbr.exe" "$@" >"$KV_BUILD/run.log" 2>&1 &
app=$!
shot="$KV_BUILD/screenshot.png"
up=""
for _ in $(seq 1 150); do
  if xwininfo -root -tree 2>/dev/null | grep -q 'Quelmar'; then up=1; break; fi
  kill -0 "$app" 2>/dev/null || break
  sleep 0.2
done
if [ -z "$up" ]; then
  echo "the frame did not come up; see $KV_BUILD/run.log" >&2
  exit 1
fi
sleep "${KV_SHOT_DELAY:-3}"
import -window root "$shot"
echo "screenshot: $shot"
kill "$app" 2>/dev/null || true
