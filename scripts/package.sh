#!/usr/bin/env bash
# Builds the Debian package amval_<version>_amd64.deb in the build folder given
# (default build/): configures (Release with debug info; the package's files are
# stripped), builds what is installed and runs cpack. The package lands in that folder.
#   ./scripts/package.sh [BUILD-FOLDER]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(realpath -m "${1:-$root/build}")"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target amval-host
(cd "$build" && cpack -G DEB)
ls "$build"/amval_*.deb
