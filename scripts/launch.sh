#!/usr/bin/env bash
# Starts sigservice on the default port unless one already listens there,
# opens sigdesigner, and stops the service it started when the tool exits.
set -euo pipefail
cd "$(dirname "$0")/.."
bin=build/bin
port=8731
started=""
if [ -x $bin/sigservice ]; then
  if ! (exec 3<>/dev/tcp/127.0.0.1/$port) 2>/dev/null; then
    $bin/sigservice --port $port --cache-dir "${XDG_CACHE_HOME:-$HOME/.cache}/sigservice" &
    started=$!
    trap '[ -n "$started" ] && kill "$started" 2>/dev/null; wait 2>/dev/null' EXIT
    for _ in $(seq 50); do (exec 3<>/dev/tcp/127.0.0.1/$port) 2>/dev/null && break; sleep 0.1; done
  fi
fi
if [ -x $bin/sigdesigner ]; then
  $bin/sigdesigner "$@"
else
  echo "sigdesigner is not built yet; the service runs on port $port (Ctrl+C stops it)."
  [ -n "$started" ] && wait "$started"
fi
