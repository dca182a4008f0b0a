#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz and runs each for a
# bounded time from its seeds, all at once: the committed corpus for the
# decryption and the encryption, interrupted rewrites made by the engine for
# the recovery. Any crash,
# sanitizer report or broken invariant fails the script; the input that caused
# it is kept under build-fuzz/findings.
#   FUZZ_SECONDS  time per target (default 30)
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$root/build-fuzz"
seconds="${FUZZ_SECONDS:-30}"

cmake -S "$root" -B "$build" -G Ninja \
  -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKRYVET_BUILD_GUI=OFF -DKRYVET_BUILD_TESTS=OFF -DKRYVET_FUZZ=ON >/dev/null
ninja -C "$build" fuzz_decrypt fuzz_encrypt fuzz_recover kryvet_make_recover_seeds
rm -rf "$build/seeds/recover"
"$build/tests/fuzz/kryvet_make_recover_seeds" "$build/seeds/recover" >/dev/null

# The targets run side by side, each for the full time.
targets=(decrypt encrypt recover)
pids=()
for target in "${targets[@]}"; do
  # A scratch copy: what the fuzzer adds to the corpus stays out of the tree.
  work="$build/corpus/$target"
  findings="$build/findings/$target"
  rm -rf "$work" "$findings"
  mkdir -p "$work" "$findings"
  seeds="$root/tests/fuzz/corpus/$target"
  [ -d "$seeds" ] || seeds="$build/seeds/$target"
  cp "$seeds/"* "$work/"
  # An interrupted rewrite carries its records: some 10 KiB at the least.
  max_len=4096
  [ "$target" = recover ] && max_len=16384
  echo "== fuzz_$target for ${seconds}s"
  "$build/tests/fuzz/fuzz_$target" "$work" \
    -max_total_time="$seconds" -max_len="$max_len" -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$findings/" -print_final_stats=1 2>"$build/fuzz_$target.log" &
  pids+=($!)
done

status=0
for i in "${!targets[@]}"; do
  target=${targets[$i]}
  findings="$build/findings/$target"
  if ! wait "${pids[$i]}"; then
    status=1
  fi
  echo "== fuzz_$target"
  grep -E "^(stat::number_of_executed_units|stat::new_units_added)|ERROR|SUMMARY" \
    "$build/fuzz_$target.log" || true
  if compgen -G "$findings/*" >/dev/null; then
    echo "fuzz_$target: findings kept in $findings" >&2
    status=1
  fi
done
if [ "$status" -ne 0 ]; then
  echo "fuzzing found a fault" >&2
else
  echo "fuzzing found nothing"
fi
exit "$status"
