#!/usr/bin/env bash
# Builds the Windows program and packs it: a per-user installer and a portable zip, both in
# build/packages/. The installer needs Debian's nsis package (installed when missing).
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

kv_ensure_packages
kv_build_win
kv_package
echo "installer: $KV_SETUP_EXE"
echo "portable:  ${KV_SETUP_EXE%.exe}.zip"
