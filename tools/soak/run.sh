#!/usr/bin/env bash
# Soak runs of the rover model: kadmer-sim in dynamic piloting for one
# simulated hour on the generated terrain with its bumps, on both soil models
# and both leg shapes, under the command schedule of schedule.txt (drive,
# turn, stop, retrace, over and over). A run passes when it ends with status 0
# and nothing on its error stream, its trajectory holds one line of 28 finite
# numbers per tick, and its memory is flat: the maximum resident size of the
# hour is within SOAK_RSS_SLACK kB of that of its first six minutes, and, when
# valgrind is there, the heap peak measured by massif is the same for both.
# Given a build with -DKADMER_SANITIZE=ON, the same runs are checked by the
# address and undefined-behaviour sanitizers instead (leaks included).
#
# usage: tools/soak/run.sh [BUILD_DIR (build)]
# environment:
#   SOAK_DURATION  simulated seconds of the long run (3600)
#   SOAK_SHORT     simulated seconds of the short run compared with it (360)
#   SOAK_START     flank: from (-5, -2) on the hill's flank, slopes up to
#                  about 25 degrees (default); centre: from the placement of
#                  the start-up at (0, 0), below a 40-degree flank; both: both
#   SOAK_MASSIF    0 skips the heap profiles (default 1 when valgrind exists)
#   SOAK_RSS_SLACK kB of resident size the long run may add (1024)
#   SOAK_OUT       folder of the trajectories and profiles (a temporary one)
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
build=${1:-$top/build}
case $build in /*) ;; *) build=$top/$build ;; esac
sim=$build/tools/kadmer-sim/kadmer-sim
schedule=$here/schedule.txt
long=${SOAK_DURATION:-3600}
short=${SOAK_SHORT:-360}
slack=${SOAK_RSS_SLACK:-1024}
massif=${SOAK_MASSIF:-1}
command -v valgrind >/dev/null 2>&1 || massif=0
out=${SOAK_OUT:-$(mktemp -d /tmp/kadmer-soak.XXXXXX)}
mkdir -p "$out"

if [ ! -x "$sim" ]; then
  echo "kadmer-sim not found in $build (cmake --build $build --target kadmer-sim)" >&2
  exit 2
fi
[ -x /usr/bin/time ] || { echo "/usr/bin/time is needed (package time)" >&2; exit 2; }
# a sanitizer build checks memory errors and leaks itself; its resident size
# grows with the sanitizer's quarantine, and valgrind cannot run it
sanitized=0
if ldd "$sim" | grep -q libasan; then
  sanitized=1
  massif=0
  export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
  export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
fi

case ${SOAK_START:-flank} in
  flank) starts="flank" ;;
  centre) starts="centre" ;;
  both) starts="flank centre" ;;
  *) echo "SOAK_START: flank, centre or both" >&2; exit 2 ;;
esac

# the options that place the rover for a start
start_options() {
  case $1 in
    flank) echo "--pose -5,-2,0,0,0,0" ;;
    centre) echo "" ;;
  esac
}

# checks a trajectory: line count, 28 numbers a line, all finite; prints the
# extent, the largest site and gite and the first time the rover leans past
# 60 degrees (none when it stays upright)
check_trajectory() {
  awk -v want="$2" '
    NF != 28 { bad = bad ? bad : NR }
    tolower($0) ~ /nan|inf/ { nonfinite = nonfinite ? nonfinite : NR }
    {
      if (NR == 1) { xmin = xmax = $2; ymin = ymax = $3 }
      if ($2 < xmin) xmin = $2; if ($2 > xmax) xmax = $2
      if ($3 < ymin) ymin = $3; if ($3 > ymax) ymax = $3
      s = $5 < 0 ? -$5 : $5; g = $6 < 0 ? -$6 : $6
      if (s > smax) smax = s; if (g > gmax) gmax = g
      if (cos($5) * cos($6) < 0.5 && tilt == "") tilt = $1
    }
    END {
      ok = 1
      if (NR != want) { printf "FAIL %d lines, %d expected; ", NR, want; ok = 0 }
      if (bad) { printf "FAIL line %d has not 28 numbers; ", bad; ok = 0 }
      if (nonfinite) { printf "FAIL non-finite number on line %d; ", nonfinite; ok = 0 }
      printf "X %.2f..%.2f Y %.2f..%.2f  max site %.0f deg, gite %.0f deg, tips over: %s\n",
             xmin, xmax, ymin, ymax, smax * 57.29578, gmax * 57.29578, tilt == "" ? "no" : "t=" tilt " s"
      exit ok ? 0 : 1
    }' "$1"
}

# one run: prints "rss_kB heap_B summary" on stdout, complaints on stderr
run_one() { # name duration options...
  local name=$1 duration=$2
  shift 2
  local traj=$out/$name.traj
  /usr/bin/time -f "%M" -o "$out/$name.rss" \
    "$sim" --mode dyn --commands "$schedule" --duration "$duration" "$@" -o "$traj" \
    >"$out/$name.summary" 2>"$out/$name.err"
  local rc=$?
  local heap=-
  if [ "$massif" = 1 ]; then
    nice valgrind --tool=massif --massif-out-file="$out/$name.massif" \
      "$sim" --mode dyn --commands "$schedule" --duration "$duration" "$@" \
      >/dev/null 2>"$out/$name.valgrind"
    heap=$(sed -n 's/^mem_heap_B=//p' "$out/$name.massif" | sort -n | tail -1)
  fi
  echo "$rc $(cat "$out/$name.rss") $heap"
}

status=0
printf "soak runs: %s s against %s s, schedule %s, files in %s\n" "$long" "$short" "$schedule" "$out"
for start in $starts; do
  for sol in 0 1; do
    for legs in parallelogram quadri; do
      opts="--sol $sol $(start_options "$start")"
      [ "$legs" = quadri ] && opts="$opts --quadri"
      name=$start-sol$sol-$legs
      # shellcheck disable=SC2086
      read -r rc rss heap < <(run_one "$name" "$long" $opts)
      # shellcheck disable=SC2086
      read -r rcs rsss heaps < <(run_one "$name-short" "$short" $opts)
      summary=$(cat "$out/$name.summary")
      verdict=ok
      if [ "$rc" != 0 ] || [ "$rcs" != 0 ]; then
        verdict=FAIL; echo "  $name: status $rc (short run $rcs)"
      fi
      if [ -s "$out/$name.err" ] || [ -s "$out/$name-short.err" ]; then
        verdict=FAIL; echo "  $name: message:"; cat "$out/$name.err" "$out/$name-short.err"
      fi
      ticks=$(sed -n 's/^ticks=\([0-9]*\).*/\1/p' "$out/$name.summary")
      traj=$(check_trajectory "$out/$name.traj" $((${ticks:-0} + 1))) || verdict=FAIL
      if [ "$sanitized" = 0 ] && [ "$rss" -gt $((rsss + slack)) ]; then
        verdict=FAIL; echo "  $name: resident size grows: $rsss kB -> $rss kB"
      fi
      if [ "$massif" = 1 ] && [ "$heap" != "$heaps" ]; then
        verdict=FAIL; echo "  $name: heap peak grows: $heaps B -> $heap B"
      fi
      printf "%-5s %-28s %s\n" "$verdict" "$name" "$summary"
      printf "      max RSS %s kB (%s s: %s kB)  heap peak %s B (%s s: %s B)\n" \
        "$rss" "$short" "$rsss" "$heap" "$short" "$heaps"
      printf "      %s\n" "$traj"
      [ "$verdict" = ok ] || status=1
      # the hour's trajectories are large; keep them only on failure
      [ "$verdict" = ok ] && rm -f "$out/$name.traj" "$out/$name-short.traj"
    done
  done
done
exit $status
