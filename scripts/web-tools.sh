#!/usr/bin/env bash
# Installs what driving the web build in a browser needs, once: Debian's
# chromium and npm, and puppeteer-core (which brings no browser of its own)
# under build-web/node.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-missing.sh /usr/bin/chromium:chromium npm:npm
if [ ! -d build-web/node/node_modules/puppeteer-core ]; then
  mkdir -p build-web/node
  [ -f build-web/node/package.json ] || echo '{"name": "kolvane-web-tests", "private": true}' > build-web/node/package.json
  # puppeteer-core 22 is the last line that runs on Debian 12's Node 18.
  (cd build-web/node && npm install --no-audit --no-fund --silent puppeteer-core@22 >/dev/null)
fi
