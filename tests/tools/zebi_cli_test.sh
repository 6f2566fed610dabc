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

# The README's keyword table lists every keyword in the library's order, and its count is right.
readme_keywords=$(sed -n 's/^| `\([A-Z]*\)` | .*/\1/p' "$src/README.md")
[ "$readme_keywords" = "$keywords" ] || fail "README keyword table differs from zebi list"
numbers=(zero one two three four five six seven eight nine ten eleven twelve thirteen fourteen \
  fifteen sixteen seventeen eighteen nineteen twenty)
count=$(echo "$keywords" | wc -l)
grep -q "library of ${numbers[$count]} technical-analysis indicators" "$src/README.md" \
  || fail "README does not say the library has ${numbers[$count]} indicators"
# zebi list counts output indices as describe does.
for k in MARKETMAP VEGA SWINGRSI; do
  listed=$("$zebi" list | awk -v k=$k '$1 == k { print $3 }')
  "$zebi" describe $k | grep -q "^Outputs ($listed indices):" || fail "list and describe count $k's outputs differently"
done
[ "$("$zebi" list | awk '$1 == "MARKETMAP" { print $3 }')" -eq 402 ] || fail "MARKETMAP's 402 outputs not counted"

# Failures: one line on stderr naming the place, non-zero exit.
expect_failure() {
  local pattern=$1; shift
  if "$@" > /dev/null 2> "$tmp/err"; then fail "succeeded: $*"; fi
  [ "$(wc -l < "$tmp/err")" -eq 1 ] || { cat "$tmp/err" >&2; fail "not one line of error: $*"; }
  grep -q -- "$pattern" "$tmp/err" || { cat "$tmp/err" >&2; fail "error lacks '$pattern': $*"; }
}
printf 'date,time,open,high,low,close\n2024-01-02,09:30,1,2,1,1\n2024-01-02,09:35,1,2,x,1\n' > "$tmp/bad.csv"
expect_failure "$tmp/bad.csv:3:22: low 'x'" "$zebi" run RATIO --bars "$tmp/bad.csv"
printf 'date,time,open,high,low,close\n2024-01-02,x,1,2,1,1\n' > "$tmp/bad-first.csv"
[ -z "$("$zebi" run RATIO --bars "$tmp/bad-first.csv" 2> /dev/null)" ] || fail "output before a bad first bar"
expect_failure "cannot open" "$zebi" run RATIO --bars "$tmp/missing.csv"
expect_failure "unknown keyword 'NOPE'" "$zebi" run NOPE
expect_failure "no parameter 'size'" "$zebi" run RATIO --param size=3
expect_failure "unknown keyword" "$zebi" describe NOPE
if "$zebi" run RATIO --format xml > /dev/null 2>&1; then fail "accepted --format xml"; fi
expect_failure "Is a directory" "$zebi" run RATIO --bars "$tmp"
expect_failure "RATIO has no parameter 7" "$zebi" run RATIO --param 7=14
expect_failure "--tail wants" "$zebi" run RATIO --tail 0
if "$zebi" run RATIO --tail -2 > /dev/null 2>&1; then fail "accepted --tail -2"; fi
if "$zebi" run RATIO --chart-bars 5 > /dev/null 2>&1; then fail "accepted --chart-bars without --chart"; fi
"$zebi" --version | grep -q '^zebi [0-9]' || fail "--version"
"$zebi" run RATIO --format JSON --tail 1 | head -c 1 | grep -q '{' || fail "--format is not case-insensitive"
"$zebi" run --help | grep -q "result: what the library" || fail "--help does not explain the result column"

# Bars out of time order or duplicated are refused, naming the line and the option that helps.
printf 'date,time,open,high,low,close\n2024-01-03,09:30,1,2,1,1\n2024-01-02,09:30,1,2,1,1\n' > "$tmp/newest-first.csv"
expect_failure "$tmp/newest-first.csv:3: bars out of time order.*--sort" "$zebi" run RATIO --bars "$tmp/newest-first.csv"
[ "$("$zebi" run RATIO --bars "$tmp/newest-first.csv" --sort | cut -d, -f1,2 | tail -n 2 | tr '\n' ' ')" = "1,20240102 2,20240103 " ] \
  || fail "--sort did not sort the bars"
printf 'date,time,open,high,low,close\n2024-01-02,09:30,1,2,1,1\n2024-01-02,09:30,1,3,1,2\n' > "$tmp/twice.csv"
expect_failure "$tmp/twice.csv:3: duplicated timestamp.*--allow-duplicates" "$zebi" run RATIO --bars "$tmp/twice.csv"
[ "$("$zebi" run RATIO --bars "$tmp/twice.csv" --allow-duplicates | cut -d, -f1 | tail -n 2 | tr '\n' ' ')" = "1 1 " ] \
  || fail "--allow-duplicates did not keep the revision on bar 1"

# Values the library clamps are reported, and the JSON header gives the value in effect.
"$zebi" run RATIO --param lookback=300 --tail 1 --format json > "$tmp/clamped.json" 2> "$tmp/err"
grep -q "lookback=300: the library uses 299" "$tmp/err" || fail "clamped parameter not reported"
grep -q '"name": "lookback", "value": 299, "set": true' "$tmp/clamped.json" || fail "json header shows the typed value"
# Defaults that compute nothing are named, in run and in describe.
for k in VDVRS VIXDIFF VEGA MARKETMAP; do
  "$zebi" run $k --tail 1 2> "$tmp/err" > /dev/null
  [ "$(wc -l < "$tmp/err")" -eq 1 ] || fail "$k defaults: no single warning"
  "$zebi" describe $k | grep -q "^Defaults: .*set" || fail "describe $k does not say what to set"
done
"$zebi" run VDVRS --tail 1 --param imbalanceWindow=10 --param averageLength=5 --param periods=5 \
  --param lookback=14 --param sumLength=10 2> "$tmp/err" > /dev/null
[ ! -s "$tmp/err" ] || fail "VDVRS warns although every parameter is set"
# One volume column: what it means for the keywords that split volume.
printf 'date,time,open,high,low,close,volume\n2024-01-02,0,1,2,1,1,5\n2024-01-02,30,1,2,1,1,6\n' > "$tmp/one-volume.csv"
"$zebi" run VOLDELTA --bars "$tmp/one-volume.csv" 2> "$tmp/err" > "$tmp/out"
grep -q "one volume column: volume1 is that volume and volume2 is 0" "$tmp/err" || fail "single volume not reported"
# HHMM times as zebi prints them, and the warm-up column.
[ "$(cut -d, -f3,5 "$tmp/out" | tail -n 2 | tr '\n' ' ')" = "0,1 30,1 " ] || fail "HHMM times or warmup column"
[ "$("$zebi" run RATIO | awk -F, 'NR > 1 && $5 == 1' | wc -l)" -eq 12 ] || fail "RATIO's warm-up is not 12 bars"
# A negative result is reported with the status text.
"$zebi" run SWINGRSI --param download=1 --tail 1 > /dev/null 2> "$tmp/err" || true
if "$zebi" run SWINGRSI --param download=1 2>/dev/null | awk -F, 'NR > 1 && $4 < 0' | grep -q .; then
  grep -q "SWINGRSI returned -" "$tmp/err" || fail "negative result not reported"
fi

# Profiles are reachable: per bar with --outputs all, at the end in json.
"$zebi" run MARKETMAP --param lastBack=60 --param binCount=8 --outputs all --tail 1 > "$tmp/all.csv"
head -n 1 "$tmp/all.csv" | grep -q ',profile\[7\],nodeMarks\[0\],' || fail "--outputs all lacks the profile"
head -n 1 "$tmp/all.csv" | grep -q 'profile\[8\]' && fail "--outputs all goes past the bins in effect"
"$zebi" run SWINGMAP --tail 1 --format json | grep -q '"profile": {"low": ' || fail "json lacks the profile"

# Streaming: output starts before the input ends, and memory does not grow with the input.
# N bars, 50 a day on 28 days a month.
bars() { awk -v n="$1" 'BEGIN { print "date,time,open,high,low,close,volume"
  for (i = 0; i < n; ++i) { d = int(i / 50)
    printf "%d,%d,%g,%g,%g,%g,%d\n", (1900 + int(d / 336)) * 10000 + (1 + int(d % 336 / 28)) * 100 + 1 + d % 28,
      i % 50, 10 + i % 7, 12 + i % 5, 9, 11, 100 + i % 13 } }'; }
mkfifo "$tmp/fifo"
"$zebi" run RATIO --bars - < "$tmp/fifo" > "$tmp/stream.csv" &
pid=$!
exec 3> "$tmp/fifo"
bars 20000 >&3
for _ in $(seq 100); do [ -s "$tmp/stream.csv" ] && break; sleep 0.1; done
[ -s "$tmp/stream.csv" ] || { exec 3>&-; fail "no output before the input ended"; }
exec 3>&-
wait $pid || fail "streamed run failed"
# (AddressSanitizer's quarantine would hold freed memory: off for the measurement.)
peak() { ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}quarantine_size_mb=0 python3 -c 'import resource, subprocess, sys
subprocess.run(sys.argv[1:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
print(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss)' "$@"; }
bars 1000 > "$tmp/small.csv"
bars 200000 > "$tmp/big.csv"
small=$(peak "$zebi" run VEGA --bars "$tmp/small.csv" --outputs all)
big=$(peak "$zebi" run VEGA --bars "$tmp/big.csv" --outputs all)
[ $((big - small)) -lt 16000 ] || fail "memory grows with the input: ${small} kB for 1000 bars, ${big} kB for 200000"
echo "zebi command line: ok"
