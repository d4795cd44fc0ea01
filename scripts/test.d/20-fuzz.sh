# Short bounded runs of every fuzz target (libFuzzer, ASan, UBSan, clang).
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BUILD=$ROOT/build-fuzz
SECONDS_EACH=${OVEX_FUZZ_SECONDS:-30}
CC=clang CXX=clang++ cmake -S "$ROOT" -B "$BUILD" -DOVEX_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD" -j"$(nproc)"
shopt -s nullglob
for fuzzer in "$BUILD"/fuzz/*_fuzzer; do
  name=$(basename "$fuzzer")
  corpus=$BUILD/corpus/$name
  mkdir -p "$corpus"
  seeds=$ROOT/fuzz/corpus/$name
  echo "fuzzing $name for ${SECONDS_EACH}s"
  (cd "$BUILD" && "$fuzzer" -max_total_time="$SECONDS_EACH" -rss_limit_mb=2048 -timeout=10 \
      -print_final_stats=1 "$corpus" $( [[ -d $seeds ]] && echo "$seeds" ) 2>&1 | tail -n 12)
done
