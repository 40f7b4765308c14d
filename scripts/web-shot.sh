#!/usr/bin/env bash
# scripts/web-shot.sh 'PARAMS' OUT.png: loads the web build's page with
# those URL parameters in headless Chromium, waits for "kolvane: done" and
# writes the canvas to OUT.png. Fails (status 1, with the browser's console
# errors) when the page fails. Installs Chromium and puppeteer-core once.
set -euo pipefail
if [ $# -lt 2 ]; then
  echo "usage: $0 'w=640&h=360&s=0&fps=40&to=5' OUT.png" >&2
  exit 2
fi
cd "$(dirname "$0")/.."
scripts/web-tools.sh
out=$1
case "$2" in /*) out=$2 ;; *) out=$OLDPWD/$2 ;; esac
exec node scripts/web/page.mjs shot "$1" "$out" "${KOLVANE_WEB_TIMEOUT:-600}"
