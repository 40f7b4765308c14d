#!/usr/bin/env bash
# scripts/install-missing.sh COMMAND:PACKAGE ...: installs with apt-get (sudo
# when not root) each Debian package whose command is not found, so that a
# fresh Debian 12 machine gets what the web scripts need and a machine that
# has it (npm from another source, say) is left alone.
set -euo pipefail
need=()
for pair in "$@"; do
  command -v "${pair%%:*}" >/dev/null 2>&1 || need+=("${pair#*:}")
done
[ ${#need[@]} -eq 0 ] && exit 0
echo "[*] installing: ${need[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
