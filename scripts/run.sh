#!/usr/bin/env bash
# Builds the player and the two add-ons of the release preset, nothing else
# (the tests are scripts/test.sh's), and runs the player with the Corvel
# meter on the built-in demo: in a real window when a display exists,
# otherwise rendered headlessly to a video file. Extra arguments go to vuplay.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --target vuplay vis_corvel vis_kestle
player=build/release/bin/vuplay
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec "$player" "$@"
fi
mkdir -p out
"$player" --headless --record out/demo.y4m "$@"
echo "No display: rendered the demo to out/demo.y4m (play it with: ffplay out/demo.y4m)"
