"""Mean wheel slip of the rover climbing the example ramp on LETE sand with
the classical wheel-soil law, for slopes from 0 to 25 %: the ramp's heights
scaled by terrain.coef_h.

    PYTHONPATH=build/python python3 examples/slope_sweep.py [picture.png]
"""
import os, sys
import numpy as np
import matplotlib; matplotlib.use("Agg")
import matplotlib.pyplot as plt
import kadmer

ramp = os.path.join(os.path.dirname(os.path.abspath(__file__)), "plan-incline.txt")
slopes = np.arange(0, 26, 5)            # %, the ramp rises 10 % at coef_h 1
lete = {"R": 1000, "n": 0.79, "kc": 102000, "kphi": 5301000, "c": 1300, "phi": 31.1, "K": 0.010, "lbda": 0}
slip = []
for pct in slopes:
    sim = kadmer.Simulation({"terrain": {"fichier": ramp, "coef_h": pct / 10},
                             "depart": {"pose": [0, 0, 0, 0, 0, -90]},   # facing up the ramp (+X)
                             "sol": {"modele": "classique", "zones": [lete]},
                             "pilotage": {"mode": "dyn", "v": 0.05}, "duree": 30})
    sim.run(sim.duration)
    tel = sim.telemetry()
    wheels = [tel[k][tel["t_s"] > 10] for k in tel if k.startswith("slip_")]
    slip.append(np.mean(wheels))        # steady part of the climb, six wheels

plt.plot(slopes, slip, "o-")
plt.xlabel("pente (%)"); plt.ylabel("glissement moyen des roues"); plt.grid(True)
plt.title("Montée sur sable LETE, modèle classique")
plt.savefig(sys.argv[1] if len(sys.argv) > 1 else "slope_sweep.png", dpi=100)
print(" ".join("%d%%:%.3f" % (p, s) for p, s in zip(slopes, slip)))
