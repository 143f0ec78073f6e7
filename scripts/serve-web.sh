#!/usr/bin/env bash
# Serves the web page that scripts/build-web.sh made (build-web/site/, the page's files alone) on 127.0.0.1 with a plain HTTP
# server, and prints its address. A browser cannot load the game's files from a page opened as a
# file. Usage: scripts/serve-web.sh [PORT] (default 8025).
set -euo pipefail
cd "$(dirname "$0")/.."
port=${1:-8025}
[ -f build-web/site/index.html ] || { echo "serve-web: no build-web/site/index.html: run scripts/build-web.sh" >&2; exit 1; }
command -v python3 >/dev/null || { echo "serve-web: python3 is missing: run scripts/setup-deps.sh" >&2; exit 1; }
echo "Gloopa: http://127.0.0.1:$port/ (Ctrl+C stops the server)"
exec python3 -m http.server "$port" --bind 127.0.0.1 --directory build-web/site
