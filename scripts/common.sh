# Shared set-up for run.sh, test.sh and bench.sh. Sourced, not run.
set -euo pipefail

KV_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
KV_BUILD="${KV_BUILD:-$KV_ROOT/build}"
KV_NATIVE="$KV_BUILD/native"
KV_WIN="$KV_BUILD/win"
KV_JOBS="${KV_JOBS:-$(nproc)}"
WINE="${WINE:-/usr/lib/wine/wine64}"
[ -x "$WINE" ] || WINE=wine

KV_PACKAGES=(cmake ninja-build g++ clang libgtest-dev libgmock-dev googletest
  g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev wine64 wine xvfb xauth
  fonts-wqy-microhei imagemagick x11-apps x11-utils locales python3 procps nsis)

kv_log() { printf '== %s\n' "$*" >&2; }

# A compiler cache when one is installed: several work trees of the project then share their
# object files (paths below the tree are hashed relative to it).
KV_LAUNCHER=()
if command -v ccache >/dev/null 2>&1; then
  export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$KV_ROOT}"
  KV_LAUNCHER=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi

# Install whatever of KV_PACKAGES is missing (Debian).
kv_ensure_packages() {
  local missing=()
  for p in "${KV_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  kv_log "installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
}

# The Unix locale behind LC_ALL=zh_CN.UTF-8 (Wine only needs the name; this silences warnings).
kv_ensure_locale() {
  locale -a 2>/dev/null | grep -qi '^zh_CN\.utf8$' && return 0
  [ "$(id -u)" -eq 0 ] || return 0
  [ -f /etc/locale.gen ] || return 0
  sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' >>/etc/locale.gen
  locale-gen >/dev/null 2>&1 || true
}

# Runs a build step with its output in a log; shows the end of the log when it fails.
kv_quiet() {
  local log="$1"; shift
  mkdir -p "$(dirname "$log")"
  if ! "$@" >"$log" 2>&1; then
    tail -60 "$log" >&2
    echo "build failed; full log: $log" >&2
    return 1
  fi
}

# A long build step with its output in a log, printing how far it has got every 20 s (ninja's
# "[done/total]" counter) so that a first build of several minutes shows it is moving.
kv_build_progress() {
  local log="$1"; shift
  mkdir -p "$(dirname "$log")"
  "$@" >"$log" 2>&1 &
  local pid=$! last="" now rc=0
  while kill -0 "$pid" 2>/dev/null; do
    for _ in $(seq 1 20); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 1
    done
    now=$(grep -ao '^\[[0-9]*/[0-9]*\]' "$log" 2>/dev/null | tail -1 | tr -d '[]' || true)
    if [ -n "$now" ] && [ "$now" != "$last" ]; then
      printf '   %s steps done (log: %s)\n' "${now/\// of }" "$log" >&2
      last="$now"
    fi
  done
  wait "$pid" || rc=$?
  if [ "$rc" -ne 0 ]; then
    tail -60 "$log" >&2
    echo "build failed; full log: $log" >&2
    return 1
  fi
}

kv_build_native() {
  kv_log "building the native core and its tests"
  kv_quiet "$KV_BUILD/native-build.log" cmake -S "$KV_ROOT" -B "$KV_NATIVE" -G Ninja \
    -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang \
    ${KV_LAUNCHER[@]+"${KV_LAUNCHER[@]}"} "$@"
  kv_build_progress "$KV_BUILD/native-build.log" cmake --build "$KV_NATIVE" -j "$KV_JOBS"
}

kv_build_win() {
  kv_log "building the Windows program and tests (mingw-w64; the first build takes about 5 minutes on 2 cores, log: $KV_BUILD/win-build.log)"
  kv_quiet "$KV_BUILD/win-build.log" cmake -S "$KV_ROOT" -B "$KV_WIN" -G Ninja \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$KV_ROOT/cmake/mingw-w64-x86_64.cmake" \
    ${KV_LAUNCHER[@]+"${KV_LAUNCHER[@]}"} "$@"
  kv_build_progress "$KV_BUILD/win-build.log" cmake --build "$KV_WIN" -j "$KV_JOBS"
}

# The installer and the portable zip of the Windows build, into $KV_PACKAGES_DIR.
KV_PACKAGES_DIR="$KV_BUILD/packages"
KV_SETUP_EXE="$KV_PACKAGES_DIR/kvbr-3.4-win64.exe"
kv_package() {
  kv_log "packaging the installer and the portable zip (NSIS, ZIP)"
  (cd "$KV_WIN" && kv_quiet "$KV_BUILD/package.log" cpack -G "NSIS;ZIP" -B "$KV_PACKAGES_DIR")
}

# A display: the caller's, or a private Xvfb.
KV_XVFB_PID=""
kv_ensure_display() {
  if [ -n "${DISPLAY:-}" ] && [ -z "${KV_FORCE_XVFB:-}" ]; then return 0; fi
  local n
  for n in $(seq 91 140); do
    [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
    KV_XVFB_PID=$!
    export DISPLAY=":$n"
    for _ in $(seq 1 50); do
      [ -e "/tmp/.X11-unix/X$n" ] && return 0
      sleep 0.1
    done
  done
  echo "could not start Xvfb" >&2
  return 1
}

# Environment of every Wine run: Chinese ANSI code page, quiet Wine, a prefix of our own.
kv_wine_env() {
  export WINEPREFIX="${1:-$KV_WIN/wineprefix}"
  export WINEDEBUG="${WINEDEBUG:--all}"
  export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree=;winemenubuilder.exe=}"
  export LC_ALL="${KV_LC_ALL:-zh_CN.UTF-8}"
}

# Create the prefix once: map the Chinese UI fonts to an installed CJK font, and keep Wine's
# windows unmanaged (without a window manager, Wine waits up to 2 s for every managed window
# it hides).
kv_wine_prefix() {
  kv_wine_env "${1:-}"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    kv_log "creating Wine prefix $WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w || true
    local reg="$WINEPREFIX/prefix.reg"
    printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n"%s"="WenQuanYi Micro Hei"\r\n"SimSun"="WenQuanYi Micro Hei"\r\n"NSimSun"="WenQuanYi Micro Hei"\r\n"Microsoft YaHei"="WenQuanYi Micro Hei"\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\r\n"Managed"="N"\r\n' \
      "$(printf '\xcb\xce\xcc\xe5')" >"$reg"
    "$WINE" regedit "$(winepath -w "$reg" 2>/dev/null)" >/dev/null 2>&1 || true
    wineserver -w || true
  fi
}

kv_wine_start_server() { wineserver -p >/dev/null 2>&1 || true; }
kv_wine_stop_server() { wineserver -k >/dev/null 2>&1 || true; }

kv_cleanup() {
  if [ -n "${WINEPREFIX:-}" ]; then kv_wine_stop_server; fi
  if [ -n "$KV_XVFB_PID" ]; then kill "$KV_XVFB_PID" 2>/dev/null || true; fi
}
