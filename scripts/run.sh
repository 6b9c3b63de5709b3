#!/usr/bin/env bash
# Installs what is missing, builds, starts the demo crate server (unless one
# already listens on 127.0.0.1:11111) and the program; stops the server it
# started when the program exits.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/deps.sh"
"$root/scripts/build.sh"
bin="$root/build/bin"
server_pid=""
cleanup() { [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true; }
trap cleanup EXIT
if (exec 3<>/dev/tcp/127.0.0.1/11111) 2>/dev/null; then
  echo "A crate server already listens on 127.0.0.1:11111; using it."
else
  "$bin/zebsim" --scenario "$root/tools/zebsim/scenarios/demo.json" &
  server_pid=$!
  for _ in $(seq 50); do (exec 3<>/dev/tcp/127.0.0.1/11111) 2>/dev/null && break; sleep 0.1; done
fi
if [ -x "$bin/voltcheck" ]; then
  "$bin/voltcheck"
else
  echo "The program is not built yet; the demo crate server runs in the foreground (Ctrl+C stops it)."
  wait "$server_pid"
fi
