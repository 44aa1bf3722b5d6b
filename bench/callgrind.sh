#!/usr/bin/env bash
# Instructions per input byte (per character for the Korean text) of our core
# and of libvterm on each workload, counted by callgrind: the same figures on
# a busy or a quiet machine.
#   bench/callgrind.sh [BUILD_DIR] [MiB]     (defaults: build 4)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
mib="${2:-4}"
bench="$build/bench/brevanix_bench"
[ -x "$bench" ] || { echo "no $bench: build first (scripts/test or cmake --build)"; exit 1; }
command -v valgrind >/dev/null || { echo "valgrind is not installed"; exit 1; }

# Prints "instructions units" for one engine on one workload.
count() {
  local out err
  err="$(mktemp)"
  out="$(valgrind --tool=callgrind --collect-atstart=no --callgrind-out-file=/dev/null \
           "$bench" --only "$1" --engine "$2" --size "$mib" 2>"$err")"
  local ir
  ir="$(sed -n 's/.*Collected : \([0-9]*\).*/\1/p' "$err")"
  rm -f "$err"
  # The Korean text is compared per character: the same text is longer in UTF-8.
  case "$1" in
    korean | utf8 | utf8mix | korsgr) echo "$ir $(echo "$out" | awk '{print $4}')" ;;
    *) echo "$ir $(echo "$out" | awk '{print $2}')" ;;
  esac
}

printf '%-8s %12s %14s %10s\n' workload "ours Ir/unit" "libvterm Ir/unit" "ratio"
for w in ascii sgr korean utf8 utf8mix redraw region sgrcell cursor korsgr; do
  read -r oi ou < <(count "$w" ours)
  read -r pi pu < <(count "$w" libvterm)
  awk -v w="$w" -v oi="$oi" -v ou="$ou" -v pi="$pi" -v pu="$pu" \
    'BEGIN { o = oi / ou; p = pi / pu; printf "%-8s %12.1f %14.1f %9.1fx\n", w, o, p, p / o }'
done
read -r fi fu < <(count ascii floor)
awk -v fi="$fi" -v fu="$fu" 'BEGIN { printf "floor (ascii, a minimal byte loop): %.1f Ir/byte\n", fi / fu }'
echo "(unit: byte; for korean, utf8, utf8mix and korsgr: character of the same text)"
