#!/usr/bin/env bash
# Serves build-web/ (the page, kolvane.js, .wasm and .data) on 127.0.0.1 and
# prints the address; PORT chooses the port (8023 unless given). Ctrl-C ends it.
set -euo pipefail
cd "$(dirname "$0")/../build-web"
[ -f index.html ] || { echo "[!] build-web/index.html is missing: run scripts/web-build.sh first" >&2; exit 1; }
port=${PORT:-8023}
echo "[*] kolvane: http://127.0.0.1:$port/index.html   (parameters: ?w=1280&h=720&s=0&m=1&letterbox=1)"
exec python3 -c '
import http.server, sys
handler = http.server.SimpleHTTPRequestHandler
handler.extensions_map[".wasm"] = "application/wasm"
handler.extensions_map[".js"] = "text/javascript"
http.server.ThreadingHTTPServer(("127.0.0.1", int(sys.argv[1])), handler).serve_forever()
' "$port"
