#!/usr/bin/env bash
# Puts the style samples beside the program when they are missing, starts
# sigservice on the default port unless something already listens there,
# opens sigdesigner, and stops the service it started when the tool exits.
set -euo pipefail
cd "$(dirname "$0")/.."
bin=build/bin
port=8731
started=""

listening() { (exec 3<>/dev/tcp/127.0.0.1/$port) 2>/dev/null; }

stop_service() {
  if [ -n "$started" ]; then
    kill "$started" 2>/dev/null || true
    wait "$started" 2>/dev/null || true
    started=""
  fi
}
trap stop_service EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

if [ ! -x $bin/sigservice ]; then
  echo "build/bin/sigservice is missing; run ./run.sh to build it." >&2
  exit 1
fi

# The tool reads img/1.png .. img/410.png beside itself and never makes the
# folder; a partial folder is completed.
missing=0
for n in $(seq 1 410); do
  [ -s "$bin/img/$n.png" ] || { missing=1; break; }
done
if [ "$missing" = 1 ]; then
  echo "writing the 410 style samples to $bin/img"
  $bin/sigservice --write-demos "$bin/img" >/dev/null
fi

case "${SIGDESIGNER_SERVICE:-}" in
  ""|http://127.0.0.1:$port|http://127.0.0.1:$port/|http://localhost:$port|http://localhost:$port/) local_service=1 ;;
  *) local_service=0 ;;
esac
if [ "$local_service" = 0 ]; then
  echo "using the service at $SIGDESIGNER_SERVICE"
elif listening; then
  echo "a service already listens on port $port; using it"
else
  $bin/sigservice --port $port --cache-dir "${XDG_CACHE_HOME:-$HOME/.cache}/sigservice" --quiet &
  started=$!
  for _ in $(seq 100); do
    listening && break
    kill -0 "$started" 2>/dev/null || { echo "sigservice did not start" >&2; started=""; exit 1; }
    sleep 0.1
  done
  listening || { echo "sigservice does not answer on port $port" >&2; exit 1; }
fi

if [ ! -x $bin/sigdesigner ]; then
  echo "sigdesigner is not built yet; the service runs on port $port (Ctrl+C stops it)."
  [ -n "$started" ] && wait "$started"
  exit 0
fi

status=0
$bin/sigdesigner "$@" || status=$?
exit $status
