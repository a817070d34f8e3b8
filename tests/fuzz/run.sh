#!/usr/bin/env bash
# Builds the fuzz targets with clang, libFuzzer and the address and
# undefined-behaviour sanitizers, then runs each one over its seed corpus and
# regression inputs for a while. Stops at the first crash, hang, leak or
# sanitizer report and leaves the failing input under the build folder.
#
#   tests/fuzz/run.sh [seconds per target, default 5] [reader...]
#
# Readers: mnt dynrover zonesol trajfile trajblock scenario campaign dem (all by default). The build
# folder is build-fuzz at the top of the tree (KADMER_FUZZ_BUILD overrides
# it); inputs the fuzzer finds go to its corpus/<reader>/, never into the
# source tree. dict/<reader>.dict, when present, gives the fuzzer the tokens
# of the reader's format. Extra libFuzzer options may be given in
# KADMER_FUZZ_OPTIONS.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
seconds=${1:-5}
[ $# -gt 0 ] && shift
readers=("$@")
[ ${#readers[@]} -eq 0 ] && readers=(mnt dynrover zonesol trajfile trajblock scenario campaign dem)
build=${KADMER_FUZZ_BUILD:-$top/build-fuzz}

nice cmake -S "$here" -B "$build" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
targets=()
for r in "${readers[@]}"; do targets+=("fuzz_$r"); done
nice cmake --build "$build" -j2 --target "${targets[@]}"

# no window system, GL driver or Qt event loop runs here, so no leak is
# suppressed: every leak reported is one of ours
export ASAN_OPTIONS=detect_leaks=1
export LSAN_OPTIONS=
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

status=0
for r in "${readers[@]}"; do
  work=$build/corpus/$r
  artifacts=$build/artifacts/$r/
  mkdir -p "$work" "$artifacts"
  dict=()
  [ -f "$here/dict/$r.dict" ] && dict=(-dict="$here/dict/$r.dict")
  inputs=("$work" "$here/corpus/$r")
  [ -d "$here/regressions/$r" ] && inputs+=("$here/regressions/$r")
  echo "== fuzz_$r: $seconds s =="
  # the first folder receives the new inputs; the seeds and the regressions
  # are only read. The readers' complaints on the error stream are dropped
  # (close_fd_mask); the sanitizers and libFuzzer still report there
  if ! nice "$build/fuzz_$r" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -close_fd_mask=2 -print_final_stats=1 -artifact_prefix="$artifacts" "${dict[@]}" \
      ${KADMER_FUZZ_OPTIONS:-} \
      "${inputs[@]}" 2>"$build/fuzz_$r.log"; then
    echo "fuzz_$r failed; its report ends with:" >&2
    tail -n 40 "$build/fuzz_$r.log" >&2
    echo "inputs kept in $artifacts" >&2
    status=1
    break
  fi
  grep -E '^stat::number_of_executed_units|^Done ' "$build/fuzz_$r.log" || true
done
exit $status
