#!/usr/bin/env bash
# Installs what is missing, builds, and starts the host program on the demo company.
# Extra arguments go to amval-host (for example --data DIR).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
exec "$root/build/bin/amval-host" "$@"
