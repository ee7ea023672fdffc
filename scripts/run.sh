#!/usr/bin/env bash
# Sets up, builds and starts the application in the example working directory.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
exe="$PWD/build/app/kavro-lumorant"
mkdir -p workdir
cd workdir
exec "$exe" "$@"
