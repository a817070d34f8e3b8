"""What a call from Python costs on top of the tick it runs: sim.step() called
once per tick against the same ticks run by one sim.step(ticks=N), kinematic
and dynamic; and sim.run() against kadmer-sim on the same scenario.

    PYTHONPATH=build/python python3 bench/python/step_overhead.py [build]
"""
import re
import subprocess
import sys
import time

import kadmer

build = sys.argv[1] if len(sys.argv) > 1 else "build"
FLAT = {"terrain": {"forme": "plat", "xmin": -50, "xmax": 50, "ymin": -50, "ymax": 50}}


def best(f, repeat=5):
    return min(f() for _ in range(repeat))


def per_tick(mode, n, one_call):
    def once():
        sim = kadmer.Simulation(dict(FLAT, pilotage={"mode": mode, "v": 0.05}))
        t = time.perf_counter()
        if one_call:
            sim.step(ticks=n)
        else:
            for _ in range(n):
                sim.step()
        return (time.perf_counter() - t) / n
    return best(once)


for mode, n in [("kin", 20000), ("dyn", 5000)]:
    loop, inside = per_tick(mode, n, False), per_tick(mode, n, True)
    print("%s: step() %.2f us per call, tick in C++ %.2f us, overhead %.2f us"
          % (mode, loop * 1e6, inside * 1e6, (loop - inside) * 1e6))

# the default dynamic scenario at the greatest speed, 60 s
scen = {"pilotage": {"mode": "dyn", "v": 0.05}, "duree": 60}
def module_rtf():
    sim = kadmer.Simulation(scen)
    t = time.perf_counter()
    try:
        sim.run(60)
    except kadmer.StepError:
        pass
    return -sim.time / (time.perf_counter() - t)
def sim_rtf():
    out = subprocess.run([build + "/tools/kadmer-sim/kadmer-sim", "--mode", "dyn", "--v", "0.05",
                          "--duration", "60", "--continue"], capture_output=True, text=True).stdout
    return -float(re.search(r"rtf=([0-9.]+)", out).group(1))
print("run(): rtf %.0f; kadmer-sim: rtf %.0f (best of 5)" % (-best(module_rtf), -best(sim_rtf)))
