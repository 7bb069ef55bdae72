#!/usr/bin/env bash
# Installs what is missing, builds, and starts the host program on the demo company.
# Extra arguments go to amval-host (for example --data DIR).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
echo "run-demo: the demo's administrator «مدير سيستم» signs in with the password 1111 (README lists the demo users)."
exec "$root/build/bin/amval-host" "$@"
