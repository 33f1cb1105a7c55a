#!/usr/bin/env bash
# The Windows programs under Wine beside the Linux ones: `qorva check` gives the same output
# and exit status on the sample reports, and an envelope sealed on either system opens on
# the other, each with the private key of the public key its sealer was built with.
# Usage: interop.sh WINE LINUX_BIN_DIR WINDOWS_BIN_DIR SAMPLE_DIR WINDOWS_PRIVATE_KEY
#                   LINUX_SEALER LINUX_SEALER_PRIVATE_KEY
set -uo pipefail
wine=$1 linux=$2 windows=$3 samples=$4 windows_key=$5 linux_sealer=$6 linux_key=$7
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Text from a Windows program ends its lines with CR LF (the console convention); the
# comparison is of the lines themselves.
lines() { sed 's/\r$//' "$1"; }

for report in QORVA_SAMPLE.txt QORVA_FAILING.txt QORVA_BROKEN.txt; do
  for args in "check" "check --json"; do
    "$linux/qorva" $args "$samples/$report" >"$work/l.out" 2>"$work/l.err"
    l=$?
    "$wine" "$windows/qorva.exe" $args "$samples/$report" >"$work/w.out" 2>"$work/w.err"
    w=$?
    [ "$l" -eq "$w" ] || fail "qorva $args $report: exit status $l on Linux, $w on Windows"
    diff <(lines "$work/l.out") <(lines "$work/w.out") >/dev/null ||
      { fail "qorva $args $report: the output differs"; diff <(lines "$work/l.out") <(lines "$work/w.out") | head -20; }
    diff <(lines "$work/l.err") <(lines "$work/w.err") >/dev/null ||
      { fail "qorva $args $report: the messages differ"; diff <(lines "$work/l.err") <(lines "$work/w.err") | head -20; }
    echo "qorva $args $report: exit status $l on both"
  done
done

# Sealed on Linux, opened on Windows; and the other way round.
mkdir -p "$work/linux" "$work/windows"
"$linux_sealer" encrypt "$samples/QORVA_SAMPLE.txt" --output-dir "$work/linux" >/dev/null ||
  fail "Linux qorva encrypt"
"$wine" "$windows/qorva-open.exe" "$work/linux/QORVA_SAMPLE.HDE" --output "$work/linux/opened.txt" \
  --key "$linux_key" ||
  fail "qorva-open.exe on the Linux envelope"
cmp -s "$samples/QORVA_SAMPLE.txt" "$work/linux/opened.txt" ||
  fail "the Linux envelope opened on Windows is not the report"
"$wine" "$windows/qorva.exe" encrypt "$samples/QORVA_SAMPLE.txt" --output-dir "$work/windows" >/dev/null ||
  fail "qorva.exe encrypt"
"$linux/qorva-open" "$work/windows/QORVA_SAMPLE.HDE" --output "$work/windows/opened.txt" \
  --key "$windows_key" ||
  fail "Linux qorva-open on the Windows envelope"
cmp -s "$samples/QORVA_SAMPLE.txt" "$work/windows/opened.txt" ||
  fail "the Windows envelope opened on Linux is not the report"
echo "envelopes: sealed on each system, opened on the other"

[ "$failures" -eq 0 ]
