#!/usr/bin/env bash
# Installs every package in scripts/debian-packages.txt (Debian 12, as root). Used by
# .ci/run and by the README's set-up commands, so the list lives in one place.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

if ((EUID != 0)); then
    echo "install-deps.sh: run as root (sudo .ci/install-deps.sh)" >&2
    exit 1
fi

mapfile -t packages < <(sed -e 's/#.*//' -e 's/[[:space:]]//g' -e '/^$/d' \
    "$root/scripts/debian-packages.txt")

# No questions asked: CI has no stdin and a fresh machine has no answers preset.
export DEBIAN_FRONTEND=noninteractive
apt-get update
apt-get install -y --no-install-recommends "${packages[@]}"
