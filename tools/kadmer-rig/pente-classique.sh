#!/bin/sh
# Remakes the slope table of docs/validation.md: the whole rover driving
# straight up a plane of LETE sand under the classical law at 5 cm/s, its
# steady slip (mean of the six wheels' telemetry slip from 10 s to 40 s)
# beside the single wheel's prediction on the rig (load W cos(slope), pull
# W sin(slope), W one sixth of the rover's weight).
#   tools/kadmer-rig/pente-classique.sh [BUILD_DIR] [SLOPES...] > table.md
set -eu
BUILD=${1:-build}
[ $# -gt 0 ] && shift
PENTES=${*:-0 4 8 12 14 16 16.5 17 18}
SIM=$BUILD/tools/kadmer-sim/kadmer-sim
RIG=$BUILD/tools/kadmer-rig/kadmer-rig
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT
W=$("$RIG" --sol 2 --preset sable-lete --statique 2>&1 >/dev/null | sed -n 's/.*W = \([^ ]*\) N.*/\1/p')

echo "| slope (deg) | rover: mean slip | rover: speed up the slope (m/s) | single wheel: slip at W cos, pull W sin | single wheel steady |"
echo "|---|---|---|---|---|"
for p in $PENTES; do
    awk -v p="$p" 'BEGIN { t = sin(p * 3.141592653589793 / 180) / cos(p * 3.141592653589793 / 180);
        for (j = 0; j < 81; ++j) { y = -20 + 0.5 * j; l = "";
            for (i = 0; i < 81; ++i) l = l sprintf("%.9f ", y * t); print l } }' > "$TMP/plan.txt"
    cat > "$TMP/pente.json" <<JSON
{
  "terrain": {"fichier": "plan.txt", "xmin": -20, "xmax": 20, "ymin": -20, "ymax": 20, "bosses": 0},
  "sol": {"modele": "classique",
          "zones": [{"hzone": 0, "X": 0, "Y": 0, "R": 1000, "c": 1300, "phi": 31.1, "Xc": 26,
                     "kc": 102000, "kphi": 5301000, "n": 0.79, "rhod": 1600, "lbda": 0, "K": 0.01}]},
  "depart": {"pose": [0, -5, 0, 0, 0, 0]},
  "pilotage": {"mode": "dyn", "v": 0.05},
  "duree": 40
}
JSON
    "$SIM" --scenario "$TMP/pente.json" --telemetry "$TMP/tel.csv" -o "$TMP/traj.txt" >/dev/null 2>&1 || true
    rover=$(awk -F, 'NR == 1 { for (k = 1; k <= NF; ++k) { if ($k ~ /^slip_/) s[k] = 1; if ($k == "t_s") t = k } next }
        $t >= 10 { m = 0; for (k in s) m += $k; sum += m / 6; n++; if (!y0) y0 = NR }
        END { printf "%.3f", sum / n }' "$TMP/tel.csv")
    # speed up the slope (negative: sliding down), from the body's y
    vit=$(awk -v p="$p" '$1 == 10 { y0 = $3 } END { printf "%.4f", ($3 - y0) / cos(p * 3.141592653589793 / 180) / ($1 - 10) }' "$TMP/traj.txt")
    Wc=$(awk -v W="$W" -v p="$p" 'BEGIN { printf "%.6f", W * cos(p * 3.141592653589793 / 180) }')
    Ws=$(awk -v W="$W" -v p="$p" 'BEGIN { printf "%.6f", W * sin(p * 3.141592653589793 / 180) }')
    roue=$("$RIG" --sol 2 --preset sable-lete --charge "$Wc" --traction "$Ws" 2>/dev/null | tail -1)
    echo "$roue" | awk -F, -v p="$p" -v r="$rover" -v v="$vit" '{
        printf "| %s | %s | %s | %.3f | %s |\n", p, r, v, $1, $7 == 1 ? "yes" : "no (stalls)" }'
done
