#!/usr/bin/env bash
# Builds and starts the editor, passing the arguments on (a file to open).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
# Only the editor and what it links: tests and benchmarks are built by
# scripts/test.sh.
if ! cmake --build build -j "$(nproc)" --target folvane || [ ! -x build/app/folvane ]; then
  echo "build/app/folvane was not built (is BUILD_GUI off?)." >&2
  exit 1
fi
# Large tables load faster when malloc may back its heap with huge pages.
export GLIBC_TUNABLES="${GLIBC_TUNABLES:-glibc.malloc.hugetlb=1}"
# Without a display the editor runs on a virtual one.
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  exec xvfb-run -a build/app/folvane "$@"
fi
exec build/app/folvane "$@"
