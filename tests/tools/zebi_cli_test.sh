#!/usr/bin/env bash
# The zebi command line end to end: the demo writes one well-formed chart per
# keyword, bad input fails with one located message and a non-zero exit.
# Usage: zebi_cli_test.sh ZEBI SOURCE_DIR
set -euo pipefail
zebi=$1
src=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# demo: a chart per keyword, each parsed as XML.
"$zebi" demo --charts "$tmp/charts" > "$tmp/demo.txt"
keywords=$("$zebi" list | awk 'NR > 1 && NF > 0 && $1 ~ /^[A-Z]+$/ { print $1 }')
[ -n "$keywords" ] || fail "zebi list printed no keywords"
command -v xmllint >/dev/null || fail "xmllint is missing (scripts/install-deps.sh installs it)"
for k in $keywords; do
  grep -q "^$k " "$tmp/demo.txt" || fail "demo summary lacks $k"
  [ -s "$tmp/charts/$k.svg" ] || fail "demo wrote no chart for $k"
  xmllint --noout "$tmp/charts/$k.svg" || fail "$k.svg is not well-formed XML"
done
grep -q "charts written to $tmp/charts/" "$tmp/demo.txt" || fail "demo does not say where the charts are"
if command -v rsvg-convert >/dev/null; then
  first=$(echo "$keywords" | head -n 1)
  rsvg-convert "$tmp/charts/$first.svg" -o "$tmp/$first.png" || fail "rsvg-convert failed on $first.svg"
  [ -s "$tmp/$first.png" ] || fail "rsvg-convert wrote nothing"
fi

# run: formats, parameters by name and index, a chart.
"$zebi" run ratio --param lookback=14 -p 2=3 --format json --tail 2 --chart "$tmp/r.svg" > "$tmp/r.json"
head -c 1 "$tmp/r.json" | grep -q '{' || fail "json output does not start with {"
xmllint --noout "$tmp/r.svg" || fail "run --chart wrote malformed XML"
[ "$("$zebi" run RATIO --tail 3 | wc -l)" -eq 4 ] || fail "--tail 3 did not print a header and 3 rows"
"$zebi" run RATIO --no-calc-every 2 --tail 2 | tail -n 1 | grep -q ',0,' || fail "no-calc bar"

printf 'Date;Open;High;Low;Close\n20240102;1;2;0.5;1.5\n' | "$zebi" run RATIO --bars - | grep -q '^1,20240102,0,0,' \
  || fail "bars from standard input"

# The README's example prints what the README shows.
example=$(sed -n 's|^\$ build/demo/tools/zebi/zebi ||p' "$src/README.md")
[ -n "$example" ] || fail "README has no zebi example"
awk '/^\$ build\/demo/ { shown = 1; next } /^```/ { shown = 0 } shown' "$src/README.md" > "$tmp/shown"
# shellcheck disable=SC2086  # the example's words are the arguments
"$zebi" $example | diff -u "$tmp/shown" - || fail "README example output is stale"

# Failures: one line on stderr naming the place, non-zero exit.
expect_failure() {
  local pattern=$1; shift
  if "$@" > /dev/null 2> "$tmp/err"; then fail "succeeded: $*"; fi
  [ "$(wc -l < "$tmp/err")" -eq 1 ] || { cat "$tmp/err" >&2; fail "not one line of error: $*"; }
  grep -q -- "$pattern" "$tmp/err" || { cat "$tmp/err" >&2; fail "error lacks '$pattern': $*"; }
}
printf 'date,time,open,high,low,close\n2024-01-02,09:30,1,2,1,1\n2024-01-02,09:35,1,2,x,1\n' > "$tmp/bad.csv"
expect_failure "$tmp/bad.csv:3:22: low 'x'" "$zebi" run RATIO --bars "$tmp/bad.csv"
expect_failure "cannot open" "$zebi" run RATIO --bars "$tmp/missing.csv"
expect_failure "unknown keyword 'NOPE'" "$zebi" run NOPE
expect_failure "no parameter 'size'" "$zebi" run RATIO --param size=3
expect_failure "unknown keyword" "$zebi" describe NOPE
if "$zebi" run RATIO --format xml > /dev/null 2>&1; then fail "accepted --format xml"; fi
echo "zebi command line: ok"
