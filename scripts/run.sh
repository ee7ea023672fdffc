#!/usr/bin/env bash
# Sets up, builds and starts the application in the example working directory.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
exe="$PWD/build/app/kavro-lumorant"
mkdir -p workdir
# The window reads its driver models from "Product List.txt" in the working directory; a fresh
# working directory gets the example list, an existing one keeps its own.
if [ ! -e "workdir/Product List.txt" ]; then
    cp "app/example/Product List.txt" "workdir/Product List.txt"
fi
cd workdir
exec "$exe" "$@"
