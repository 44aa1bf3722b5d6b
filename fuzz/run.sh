#!/usr/bin/env bash
# Builds the fuzz targets with clang into build-fuzz/ and runs each for the
# given number of seconds (default 30) on a copy of its seed corpus. Exits
# non-zero when any target finds a fault; the input that shows it is kept
# in build-fuzz/findings/<target>/. Without clang's libFuzzer it skips.
#   FUZZ_CXX  the compiler (default clang++); FUZZ_JOBS  build jobs (default nproc)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-30}"
case "$seconds" in '' | *[!0-9]*) echo "usage: fuzz/run.sh [seconds]" >&2; exit 2 ;; esac
cxx="${FUZZ_CXX:-clang++}"
build="$root/build-fuzz"

# The work folder takes the corpus copies and the profile files of fuzz_ini;
# memory-backed when possible, as that target syncs files it writes.
tmp_base="${TMPDIR:-/tmp}"
[ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ] && tmp_base=/dev/shm
work="$(mktemp -d "$tmp_base/brevanix-fuzz.XXXXXX")"
trap 'rm -rf "$work"' EXIT

probe="$work/probe.cpp"
echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }' >"$probe"
if ! command -v "$cxx" >/dev/null 2>&1 ||
    ! "$cxx" -fsanitize=fuzzer,address,undefined "$probe" -o "$work/probe" >/dev/null 2>&1; then
  echo "fuzz: clang with libFuzzer not found; skipping"
  exit 0
fi

cmake -S "$root/fuzz" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER="$cxx" >/dev/null
cmake --build "$build" -j "${FUZZ_JOBS:-$(nproc)}"

export ASAN_OPTIONS="${ASAN_OPTIONS:-abort_on_error=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}"
mkdir -p "$build/logs"
failed=()
for target in stream split ini log; do
  case "$target" in
    ini) max_len=16384 ;;
    *) max_len=65536 ;;
  esac
  corpus="$work/corpus-$target"
  findings="$build/findings/$target"
  log="$build/logs/fuzz_$target.log"
  rm -rf "$findings"
  mkdir -p "$corpus" "$findings"
  cp -R "$root/fuzz/corpus/$target/." "$corpus/"
  # Inputs that once failed are read along with the seeds; new inputs go
  # only to the first folder, the copy.
  dirs=("$corpus")
  [ -d "$root/fuzz/regressions/$target" ] && dirs+=("$root/fuzz/regressions/$target")
  echo "fuzz: fuzz_$target for ${seconds}s"
  # SoftScroll repaints the whole grid on every scroll: a long input of line
  # feeds on a 152x130 grid takes over ten seconds under the sanitizers.
  # That is slow, not hung, so the per-input limit leaves room for it.
  status=0
  TMPDIR="$work" "$build/fuzz_$target" "${dirs[@]}" \
    -dict="$root/fuzz/brevanix.dict" -max_len="$max_len" -max_total_time="$seconds" \
    -rss_limit_mb=2048 -timeout=60 -print_final_stats=1 \
    -artifact_prefix="$findings/" >"$log" 2>&1 || status=$?
  if [ "$status" -ne 0 ]; then
    tail -n 60 "$log"
    echo "fuzz: fuzz_$target FAILED (exit $status); input in $findings/, log in $log"
    failed+=("$target")
  else
    grep -E '^(#[0-9]+.*DONE|stat::number_of_executed_units|stat::average_exec_per_sec)' "$log" || true
  fi
done

if [ ${#failed[@]} -ne 0 ]; then
  echo "fuzz: findings in ${failed[*]}"
  exit 1
fi
echo "fuzz: no findings"
