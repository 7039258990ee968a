#!/usr/bin/env bash
# Builds what the release configuration runs and starts TarvixStudio (with the simulated controller
# when it is built). Without a display it runs under Xvfb and saves a screenshot.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/setup.sh
ensure_packages
# A first start waits for no benchmark; `cmake --build build/release` builds them.
TARVIX_TARGET=runnable configure_and_build build/release -DCMAKE_BUILD_TYPE=Release -DTARVIX_BUILD_TESTS=OFF
exec scripts/start.sh build/release "$@"
