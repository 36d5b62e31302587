#!/usr/bin/env bash
# Sets up, builds and runs every test of KOVA under Wine on a private Xvfb.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
bash "$here/setup.sh"
bash "$here/build.sh"
bash "$here/package.sh"
source "$here/env.sh"
source "$here/xvfb.sh"

start_private_display
start_wineserver
use_window_manager N
trap stop_private_display EXIT
cd "$KOVA_BUILD"
ctest --output-on-failure
bash "$here/fuzz.sh"
