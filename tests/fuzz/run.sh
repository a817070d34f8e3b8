#!/usr/bin/env bash
# Builds the fuzz targets with clang, libFuzzer and the address and
# undefined-behaviour sanitizers, then runs each one over its seed corpus and
# regression inputs and on into new inputs. Stops at the first crash, hang,
# leak or sanitizer report and leaves the failing input under the build folder.
#
#   tests/fuzz/run.sh --fixed [reader...]
#       what ./test.sh runs: every seed and regression input replayed, then
#       a fixed number of new inputs from a fixed seed, from an empty working
#       corpus. The same tree gives the same inputs, so the same result, on
#       every machine: a finding here is a fault in the readers to mend (and
#       its input to keep in regressions/<reader>/), never a flake.
#   tests/fuzz/run.sh SECONDS [reader...]
#       long fuzzing for people: a random seed (printed), SECONDS per target,
#       the working corpus kept in the build folder from one run to the next.
#
# Readers: mnt dynrover zonesol trajfile trajblock scenario campaign dem (all
# by default). The build folder is build-fuzz at the top of the tree
# (KADMER_FUZZ_BUILD overrides it); inputs the fuzzer finds go there, never
# into the source tree. dict/<reader>.dict, when present, gives the fuzzer the
# tokens of the reader's format. Extra libFuzzer options may be given in
# KADMER_FUZZ_OPTIONS.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
if [ "${1:-}" = --fixed ]; then
  fixed=1
  seconds=
else
  fixed=0
  seconds=${1:-5}
  case $seconds in '' | *[!0-9]*) echo "usage: $0 --fixed | SECONDS [reader...]" >&2; exit 2 ;; esac
fi
[ $# -gt 0 ] && shift
readers=("$@")
[ ${#readers[@]} -eq 0 ] && readers=(mnt dynrover zonesol trajfile trajblock scenario campaign dem)
build=${KADMER_FUZZ_BUILD:-$top/build-fuzz}

# new inputs per target in the fixed run: a few seconds each on one core of
# a 2-core machine (the readers differ a hundredfold in speed)
fixed_runs() {
  case $1 in
    dem) echo 4000 ;;
    trajfile) echo 10000 ;;
    campaign) echo 60000 ;;
    scenario) echo 80000 ;;
    mnt) echo 100000 ;;
    dynrover | zonesol) echo 150000 ;;
    trajblock) echo 200000 ;;
  esac
}

nice cmake -S "$here" -B "$build" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
targets=()
for r in "${readers[@]}"; do targets+=("fuzz_$r"); done
nice cmake --build "$build" -j"$(nproc)" --target "${targets[@]}"

# no window system, GL driver or Qt event loop runs here, so no leak is
# suppressed: every leak reported is one of ours
export ASAN_OPTIONS=detect_leaks=1
export LSAN_OPTIONS=
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

launch=()
if [ $fixed = 1 ]; then
  export QT_HASH_SEED=0
  setarch "$(uname -m)" -R true 2>/dev/null && launch=(setarch "$(uname -m)" -R)
fi

status=0
for r in "${readers[@]}"; do
  artifacts=$build/artifacts/$r/
  mkdir -p "$artifacts"
  if [ $fixed = 1 ]; then
    # an empty working corpus each time: what earlier runs found must not
    # change what this one explores
    work=$build/fixed/$r
    rm -rf "$work"
    # the inputs follow from the seed alone only if nothing else steers the
    # search: comparison operands (-use_cmp) and input reduction carry values
    # and timings of the run, and a few readers' coverage follows addresses
    # (address randomisation off below) or Qt's per-process hash seed
    budget=(-seed=1 -runs="$(fixed_runs "$r")" -use_cmp=0 -reduce_inputs=0)
    echo "== fuzz_$r: seed 1, $(fixed_runs "$r") inputs =="
  else
    work=$build/corpus/$r
    seed=$(( (RANDOM << 15 | RANDOM) + 1 ))
    budget=(-seed="$seed" -max_total_time="$seconds")
    echo "== fuzz_$r: $seconds s, seed $seed =="
  fi
  mkdir -p "$work"
  dict=()
  [ -f "$here/dict/$r.dict" ] && dict=(-dict="$here/dict/$r.dict")
  inputs=("$work" "$here/corpus/$r")
  [ -d "$here/regressions/$r" ] && inputs+=("$here/regressions/$r")
  # the first folder receives the new inputs; the seeds and the regressions
  # are only read. The readers' complaints on the error stream are dropped
  # (close_fd_mask); the sanitizers and libFuzzer still report there
  if ! nice "${launch[@]}" "$build/fuzz_$r" "${budget[@]}" -timeout=10 -rss_limit_mb=2048 \
      -close_fd_mask=2 -print_final_stats=1 -artifact_prefix="$artifacts" "${dict[@]}" \
      ${KADMER_FUZZ_OPTIONS:-} \
      "${inputs[@]}" 2>"$build/fuzz_$r.log"; then
    echo "fuzz_$r failed; its report ends with:" >&2
    tail -n 40 "$build/fuzz_$r.log" >&2
    echo "inputs kept in $artifacts; once the reader is mended, keep the input in tests/fuzz/regressions/$r/" >&2
    status=1
    break
  fi
  # the last line of the search: the same on every run of the fixed pass
  grep -a -E 'DONE|^Done ' "$build/fuzz_$r.log" | sed -E 's/ (exec\/s|rss): [^ ]*//g' || true
done
exit $status
