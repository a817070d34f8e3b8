#!/usr/bin/env bash
# A scripted session of the real program under an X server, driven from the
# outside with xdotool as a user would: the start-up dialogs accepted with
# Return, dynamic piloting switched on from the view's context menu, PLAY,
# a few seconds of driving, a trajectory recording, its playback and a network
# reading of it from kadmer-trajserver. Prints the start-up time to the first
# dialog and to the main window, and the memory of the process at rest after
# start-up, after driving and at its peak.
#
# usage: tools/soak/session.sh [BUILD_DIR (build)] [PROGRAM (kadmer)]
# Without DISPLAY it starts its own Xvfb. In a sanitizer build, the
# sanitizers' reports go to the program's error stream, shown at the end; the
# run fails on any of them.
# environment: SESSION_DRIVE         seconds of live driving (5)
#              SESSION_STARTUP_ONLY  set: close the window once it shows
#              SESSION_OUT           working folder (a temporary one)
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
build=${1:-$top/build}
case $build in /*) ;; *) build=$top/$build ;; esac
program=${2:-kadmer}

# a private X server unless one is given
xvfb=
if [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 150 199); do
    [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] && continue
    Xvfb :$n -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb=$!
    for _ in $(seq 1 100); do
      [ -e /tmp/.X11-unix/X$n ] && break
      sleep 0.1
    done
    if [ -e /tmp/.X11-unix/X$n ] && DISPLAY=:$n xdotool getdisplaygeometry >/dev/null 2>&1; then
      export DISPLAY=:$n
      break
    fi
    kill "$xvfb" 2>/dev/null
    xvfb=
  done
  [ -n "$xvfb" ] || { echo "could not start Xvfb" >&2; exit 2; }
  trap 'kill "$xvfb" 2>/dev/null' EXIT
fi

exe=$build/$program
server=$build/kadmer-trajserver
[ -x "$server" ] || server=$build/tools/kadmer-trajserver/kadmer-trajserver
for f in "$exe" "$server"; do
  [ -x "$f" ] || { echo "missing $f (build the targets $program and kadmer-trajserver)" >&2; exit 2; }
done
command -v xdotool >/dev/null || { echo "xdotool is needed" >&2; exit 2; }
drive=${SESSION_DRIVE:-5}
out=${SESSION_OUT:-$(mktemp -d /tmp/kadmer-session.XXXXXX)}
mkdir -p "$out"
cd "$out" || exit 2
rm -f record.txt trajkadmer.txt

export LIBGL_ALWAYS_SOFTWARE=1
# sanitizer builds: report and stop at the first error; the GL driver's own
# allocations cannot be told from ours at exit, so no leak check here
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

fail() {
  echo "FAIL: $*" >&2
  command -v import >/dev/null && import -window root "$out/failure.png" 2>/dev/null \
    && echo "screen at the failure: $out/failure.png" >&2
  [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null
  [ -n "${spid:-}" ] && kill "$spid" 2>/dev/null
  echo "--- program's error stream:" >&2
  cat "$out/stderr.txt" >&2
  exit 1
}
now() { date +%s.%N; }
alive() { kill -0 "$pid" 2>/dev/null; }
# the visible top-level windows of the program
windows() { xdotool search --maxdepth 1 --onlyvisible --pid "$pid" 2>/dev/null; }
# waits (up to $2 s) until a visible window of the program other than $1
# shows, prints it
next_window() {
  local old=$1 limit=$2 start w
  start=$(now)
  while alive; do
    for w in $(windows); do
      [ "$w" != "$old" ] && { echo "$w"; return 0; }
    done
    [ "$(echo "$(now) - $start > $limit" | bc)" = 1 ] && return 1
    sleep 0.01
  done
  return 1
}
# waits (up to $2 s) until window $1 is gone
gone() {
  local start
  start=$(now)
  while alive && windows | grep -qx "$1"; do
    [ "$(echo "$(now) - $start > $2" | bc)" = 1 ] && return 1
    sleep 0.05
  done
}
memory() { # VmRSS and VmHWM of the program, kB
  awk '/^VmRSS/ {r = $2} /^VmHWM/ {h = $2} END {print r, h}' "/proc/$pid/status"
}
# types a key into the window that has the focus
key() { xdotool key --delay 50 "$@"; sleep 0.3; }
# waits for the window titled $1, gives it the focus,
# then either presses the key $2 ("answer T Return") or replaces the text of
# the focused field and presses Return ("answer T type TEXT"); tries again
# while the window stays open (a key sent before the focus has settled is lost)
answer() {
  local w= i
  for i in $(seq 1 600); do
    for w in $(windows); do
      [ "$(xdotool getwindowname "$w")" = "$1" ] && break 2
    done
    w=
    alive || break
    sleep 0.05
  done
  [ -n "$w" ] || fail "no window \"$1\""
  sleep 0.5
  for i in 1 2 3 4 5; do
    timeout 5 xdotool windowfocus --sync "$w" 2>/dev/null
    sleep 0.3
    if [ "$2" = type ]; then
      key ctrl+a
      xdotool type --delay 20 "$3"
      key Return
    else
      key "$2"
    fi
    gone "$w" 3 && return 0
  done
  fail "window \"$1\" stayed open"
}
# asks window $1 to close, with the WM_DELETE_WINDOW message a window manager
# sends for the close box (there is no window manager here)
close_window() {
  python3 - "$1" <<'PY'
import ctypes, sys
x = ctypes.cdll.LoadLibrary("libX11.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
x.XOpenDisplay.argtypes = [ctypes.c_char_p]
x.XInternAtom.restype = ctypes.c_ulong
x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
x.XFlush.argtypes = [ctypes.c_void_p]
x.XCloseDisplay.argtypes = [ctypes.c_void_p]

class ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                ("data", ctypes.c_long * 5)]

class Event(ctypes.Union):
    _fields_ = [("xclient", ClientMessage), ("pad", ctypes.c_long * 24)]

d = x.XOpenDisplay(None)
e = Event()
e.xclient.type = 33  # ClientMessage
e.xclient.display = d
e.xclient.window = int(sys.argv[1])
e.xclient.message_type = x.XInternAtom(d, b"WM_PROTOCOLS", 0)
e.xclient.format = 32
e.xclient.data[0] = x.XInternAtom(d, b"WM_DELETE_WINDOW", 0)
x.XSendEvent(d, e.xclient.window, 0, 0, ctypes.byref(e))
x.XFlush(d)
x.XCloseDisplay(d)
PY
}
# opens the view's context menu and picks an entry by moving down n times
menu() {
  xdotool mousemove --window "$main" "$((mw / 2))" "$((mh / 2))" click 3
  sleep 0.5
  local i
  for ((i = 0; i < $1; i++)); do key Down; done
  key Return
}

# ---- start-up: the dialogs ---------------------------------------------------
t0=$(now)
"$exe" >"$out/stdout.txt" 2>"$out/stderr.txt" &
pid=$!
first=$(next_window none 120) || fail "no dialog appeared"
t1=$(now)
dialog=$first
shown=0
# geometry, rover, terrain, soil: four dialogs, then the main window
while [ $shown -lt 4 ]; do
  title=$(xdotool getwindowname "$dialog")
  timeout 5 xdotool windowfocus --sync "$dialog" 2>/dev/null
  sleep 0.2
  accepted=$(now)
  xdotool key Return
  gone "$dialog" 60 || fail "dialog \"$title\" did not close on Return"
  shown=$((shown + 1))
  echo "accepted dialog $shown: $title"
  dialog=$(next_window none 120) || fail "nothing after dialog $shown"
done
main=$dialog
t2=$(now)
sleep 3
read -r rss_rest hwm_rest < <(memory)
eval "$(xdotool getwindowgeometry --shell "$main")"
mw=$WIDTH mh=$HEIGHT
echo "main window: $(xdotool getwindowname "$main") ${mw}x${mh}"
if [ -n "${SESSION_STARTUP_ONLY:-}" ]; then
  close_window "$main"
  wait "$pid"; status=$?
  pid=
  [ "$status" = 0 ] || fail "the program ended with status $status"
  printf "start-up to the first dialog: %.2f s; from the last dialog accepted to the main window: %.2f s; memory at rest %s kB, peak %s kB\n" \
    "$(echo "$t1 - $t0" | bc)" "$(echo "$t2 - $accepted" | bc)" "$rss_rest" "$hwm_rest"
  exit 0
fi

# ---- live dynamic driving, recorded ------------------------------------------
timeout 5 xdotool windowfocus --sync "$main"
menu 5                       # "&Pil. Dynamique" (the disabled "&Retour Mode Local" is skipped)
# the view takes the focus on a click; Tab twice reaches PLAY, after REC
xdotool mousemove --window "$main" "$((mw / 2))" "$((mh / 2))" click 1
sleep 0.3
key Tab Tab space
key shift+Tab shift+Tab      # back to the view
key plus g                   # speed and a turn
sleep "$drive"
# REC: the question, answered "Trajectoire" (its first button, which has the
# focus), then the file name
key Tab space
answer "QUESTION ?" Return
answer "Fichier enregistrement ?" type "$out/record.txt"
timeout 5 xdotool windowfocus --sync "$main"
sleep 3
[ -s record.txt ] || fail "recording did not start"
key space                    # REC again, which kept the focus: stops
sleep 1
lines=$(wc -l <record.txt)
sleep 1
[ "$(wc -l <record.txt)" = "$lines" ] || fail "recording did not stop"
[ "$lines" -ge 10 ] || fail "only $lines recorded lines"
read -r rss_drive hwm_drive < <(memory)
awk 'NF != 28 || tolower($0) ~ /nan|inf/ { bad = NR } END { exit bad ? 1 : 0 }' record.txt \
  || fail "bad line in the recording"
echo "recorded $lines lines, simulated time $(head -1 record.txt | cut -d' ' -f1) s to $(tail -1 record.txt | cut -d' ' -f1) s"

# ---- playback of the recording, then a network reading of it ---------------------
menu 3                       # "&Lecture Fichier"
answer "Fichier data visu TARNO" type "$out/record.txt"
sleep $((lines / 25 + 3))
"$server" "$out/record.txt" --rate 100 >"$out/server.txt" 2>&1 &
spid=$!
sleep 1
timeout 5 xdotool windowfocus --sync "$main"
menu 4                       # "&Lecture Reseau"
for _ in $(seq 1 300); do
  kill -0 "$spid" 2>/dev/null || break
  sleep 0.1
done
wait "$spid"; src=$?
spid=
[ "$src" = 0 ] || fail "trajectory server ended with status $src: $(tail -3 "$out/server.txt")"
sleep $((lines / 25 + 3))
received=$(wc -l <trajkadmer.txt 2>/dev/null || echo 0)
[ "$received" = "$lines" ] || fail "received $received lines of $lines"
echo "played back $lines samples; received them from the trajectory server and played them back"

# ---- back to local mode and driving again, then the end ----------------------------
menu 5                       # "&Retour Mode Local"
xdotool mousemove --window "$main" "$((mw / 2))" "$((mh / 2))" click 1
key Tab Tab space
sleep 2
alive || fail "the program ended by itself"
read -r rss_end hwm_end < <(memory)
# the window's close box, as a window manager sends it: the program ends
close_window "$main"
for _ in $(seq 1 300); do
  alive || break
  sleep 0.1
done
alive && fail "the program did not end when its window was closed"
wait "$pid"; status=$?
pid=
[ "$status" = 0 ] || fail "the program ended with status $status"

if grep -qE "ERROR: AddressSanitizer|runtime error:|ERROR: LeakSanitizer" "$out/stderr.txt"; then
  fail "sanitizer report"
fi
printf "start-up to the first dialog: %.2f s; from the last dialog accepted to the main window: %.2f s\n" \
  "$(echo "$t1 - $t0" | bc)" "$(echo "$t2 - $accepted" | bc)"
printf "memory: at rest %s kB; after %s s of driving and recording %s kB; at the end %s kB; peak %s kB\n" \
  "$rss_rest" "$drive" "$rss_drive" "$rss_end" "$hwm_end"
if [ -s "$out/stderr.txt" ]; then
  echo "--- program's error stream:"
  cat "$out/stderr.txt"
fi
echo "files in $out"
