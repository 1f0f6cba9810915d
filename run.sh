#!/usr/bin/env bash
# Installs what is missing, builds, starts the local signature service and
# opens the signature designer.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh
scripts/build.sh normal
exec scripts/launch.sh "$@"
