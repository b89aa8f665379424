#!/usr/bin/env bash
# Installs every Debian package that building, running and testing need:
# the names listed in scripts/deps/*.txt (one list per area; "#" starts a
# comment). Idempotent: quiet when everything is already there.
set -euo pipefail
cd "$(dirname "$0")"

mapfile -t packages < <(sed 's/#.*//' deps/*.txt | tr -s ' \t' '\n' | sed '/^$/d' | sort -u)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
