#!/usr/bin/env bash
# The matrix's page (setup-plan --matrix --html) in a real browser: headless
# Chromium loads it from disk; its DOM must hold every cell with its road,
# each cell a link to its plan, and nothing from elsewhere. Screenshots at
# 1280 x 800 (the grid, and a cell's plan opened) are kept in build/test-logs
# for a person to look at. Prints "setup-plan-page: N passed, N failed".
set -u
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
BUILD="${HOST_BUILD:-$ROOT/build/host}"
LOGS="$ROOT/build/test-logs"
PAGE="$LOGS/matrix-page.html"
mkdir -p "$LOGS"
passed=0
failed=0
check() {  # NAME STATUS
  if [ "$2" = 0 ]; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL $1"; fi
}
# A profile of its own, and none of the browser's own network traffic (there
# is no network to reach, and its attempts only slow it down).
PROFILE="$(mktemp -d)"
trap 'rm -rf "$PROFILE"' EXIT
browser() {
  timeout 60 chromium --headless --no-sandbox --disable-gpu --hide-scrollbars --window-size=1280,800 \
    --user-data-dir="$PROFILE" --no-first-run --disable-background-networking --disable-component-update \
    --disable-sync --disable-quic "$@" 2>/dev/null
}

if ! command -v chromium >/dev/null; then
  echo "setup-plan-page: chromium is not installed: run scripts/install-deps.sh"
  echo "setup-plan-page: 0 passed, 1 failed"
  exit 1
fi
"$BUILD/setup-plan" --matrix --html "$PAGE" "$ROOT/samples/sample-package" >/dev/null
check written $?
browser --dump-dom "file://$PAGE" >"$LOGS/matrix-page.dom.html"
check dom $?
python3 - "$LOGS/matrix-page.dom.html" <<'PY'
import html.parser, sys
class Page(html.parser.HTMLParser):
    def __init__(self):
        super().__init__()
        self.cells, self.links, self.sections, self.outside, self.section = {}, {}, {}, [], None
        self.row, self.column, self.states, self.in_head = None, 0, [], False
    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        if tag in ("script", "link", "img", "iframe") or a.get("src") or a.get("href", "#").startswith(("http", "//")):
            self.outside.append(tag)
        if tag == "thead": self.in_head = True
        if tag == "tr": self.column = 0
        if tag == "td" and "cell" in a.get("class", ""):
            self.cur = (self.row, self.states[self.column])
            self.cells[self.cur] = a.get("data-road")
            self.column += 1
        if tag == "a" and a.get("href", "").startswith("#cell-"): self.links[self.cur] = a["href"][1:]
        if tag == "section": self.section = a.get("id"); self.sections[self.section] = ""
    def handle_endtag(self, tag):
        if tag == "thead": self.in_head = False
        if tag == "section": self.section = None
    def handle_data(self, data):
        if self.in_head and self.lasttag == "th" and data != "release": self.states.append(data)
        elif self.lasttag == "th" and not self.in_head: self.row = data
        if self.section: self.sections[self.section] += data
page = Page()
page.feed(open(sys.argv[1], encoding="utf-8").read())
failures = []
def expect(what, ok):
    if not ok: failures.append(what)
expect("110 cells", len(page.cells) == 110)
expect("win98 fresh installs", page.cells.get(("win98", "fresh")) == "installation")
expect("win95 fresh unsupported", page.cells.get(("win95", "fresh")) == "unsupported")
expect("winxp cancel dialog", page.cells.get(("winxp", "cancel")) == "installed")
expect("win98 limited not posed", page.cells.get(("win98", "limited")) == "")
target = page.links.get(("win98", "device"))
expect("win98 device opens its plan", target in page.sections and
       "Plan: C:\\Package\\Setup.exe on Windows 98," in page.sections[target] and "at 3000 ms" in page.sections[target])
expect("every posed cell links to a plan", all(page.links.get(k) in page.sections for k, road in page.cells.items() if road))
expect("nothing from elsewhere", not page.outside)
for f in failures: print("FAIL page:", f)
sys.exit(1 if failures else 0)
PY
check dom-content $?
browser --screenshot="$LOGS/matrix-page.png" "file://$PAGE" && [ -s "$LOGS/matrix-page.png" ]
check screenshot $?
browser --screenshot="$LOGS/matrix-page-cell.png" "file://$PAGE#cell-win98-device" && [ -s "$LOGS/matrix-page-cell.png" ]
check screenshot-cell $?
# The opened plan covers part of the page: the two pictures differ.
! cmp -s "$LOGS/matrix-page.png" "$LOGS/matrix-page-cell.png"
check cell-opens $?
echo "setup-plan-page: $passed passed, $failed failed"
[ "$failed" = 0 ]
