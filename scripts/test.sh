#!/usr/bin/env bash
# Installs what is missing, builds into build/ and runs every test on a 1920x1080 X screen.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/deps.sh"
"$root/scripts/build.sh"
cd "$root/build"
# Benchmarks are programs, not tests: ctest runs only the test suite.
# A test that fails is run once more (until-pass:2) and ctest still prints the
# first failure: once in many runs a GUI test process could not connect to the
# virtual X server at start-up, which says nothing about the program. A fault
# that fails twice fails the suite.
xvfb-run -a -s "-screen 0 1920x1080x24 -nolisten tcp" \
  ctest --output-on-failure -j"$(nproc)" --timeout 600 --repeat until-pass:2
