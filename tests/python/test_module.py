# The Python module against kadmer-sim and against itself: the same run to the
# last printed digit, refused keys named, the telemetry equal to the CSV's,
# threads that do not disturb each other, memory that does not grow.
import json
import os
import subprocess
import threading

import numpy as np
import pytest

import kadmer

BUILD = os.environ.get("KADMER_BUILD", os.path.join(os.path.dirname(__file__), "..", "..", "build"))
SIM = os.path.join(BUILD, "tools", "kadmer-sim", "kadmer-sim")

# a dynamic drive on the macro soil with a turn in the schedule, and a
# kinematic one: both piloting paths
SCENARIOS = {
    "dyn": {"sol": {"modele": "macro"}, "duree": 4,
            "pilotage": {"mode": "dyn", "v": 0.05,
                         "commandes": [[0, 0.05, 0], [2, 0.05, 0.3]]}},
    "kin": {"duree": 6, "pilotage": {"mode": "kin", "v": 0.05, "c": -0.2}},
}


def trajectory_line(sim):
    values = [sim.time, *sim.pose, *sim.angles]
    return " ".join("%f" % v for v in values)


@pytest.fixture
def scenario_file(tmp_path):
    def write(name):
        path = tmp_path / (name + ".json")
        path.write_text(json.dumps(SCENARIOS[name]))
        return path
    return write


@pytest.mark.parametrize("name", ["dyn", "kin"])
def test_the_module_runs_what_kadmer_sim_runs(name, scenario_file, tmp_path):
    path = scenario_file(name)
    traj, csv = tmp_path / "traj.txt", tmp_path / "tel.csv"
    subprocess.run([SIM, "--scenario", str(path), "-o", str(traj), "--telemetry", str(csv)],
                   check=True, capture_output=True)
    expected = traj.read_text().splitlines()

    sim = kadmer.Simulation(str(path))
    lines = [trajectory_line(sim)]
    for _ in range(len(expected) - 1):
        sim.step()
        lines.append(trajectory_line(sim))
    assert lines == expected

    # the telemetry's columns are the CSV's, to its printed digits (the
    # module keeps a row at the start, the CSV one per tick)
    header, *rows = csv.read_text().splitlines()
    tel = sim.telemetry()
    assert list(tel) == header.split(",")
    for k, column in enumerate(tel):
        printed = [r.split(",")[k] for r in rows]
        mine = ["" if np.isnan(v) else ("%.4f" % v if k == 0 else "%d" % v if column.startswith(("contact", "zone")) else "%.6g" % v)
                for v in tel[column][1:]]
        assert mine == printed, column


def test_a_dict_is_read_as_a_file_and_refused_keys_are_named():
    a = kadmer.Simulation(SCENARIOS["kin"])
    a.run(2.0)
    assert a.time == pytest.approx(2.0)
    for bad, key in [({"terrain": {"cellule": -1}}, "terrain.cellule"),
                     ({"pilotage": {"mode": "vol"}}, "pilotage.mode"),
                     ({"inconnue": 1}, "inconnue")]:
        with pytest.raises(ValueError, match=key.replace(".", r"\.")):
            kadmer.Simulation(bad)
    with pytest.raises(ValueError, match="duration"):
        a.run(-1)


def test_the_end_of_a_drive_is_raised_and_the_run_may_go_on():
    sim = kadmer.Simulation({"terrain": {"forme": "plat", "xmin": -2, "xmax": 2, "ymin": -2, "ymax": 2},
                             "pilotage": {"mode": "dyn"}})
    with pytest.raises(kadmer.OffTerrainError) as e:
        sim.step(v=0.1, ticks=2000)
    assert isinstance(e.value, kadmer.StepError) and e.value.time == sim.time
    t = sim.time
    sim.step()
    assert sim.time > t and sim.v == 0.1


def test_terrain_queries_are_vectorised():
    sim = kadmer.Simulation({"terrain": {"fichier": os.path.join(os.path.dirname(__file__), "..", "..",
                                                               "examples", "plan-incline.txt")}})
    x, y = np.meshgrid(np.linspace(-5, 5, 7), np.linspace(-5, 5, 5))
    z = sim.height(x, y)
    n = sim.normal(x, y)
    assert z.shape == x.shape and n.shape == x.shape + (3,)
    assert np.allclose(np.linalg.norm(n, axis=-1), 1.0)
    assert [sim.height(a, b) for a, b in zip(x.flat, y.flat)] == list(z.flat)


def drive(results, key):
    sim = kadmer.Simulation(SCENARIOS["dyn"])
    sim.run(3.0)
    results[key] = (sim.pose, sim.telemetry()["energy_J"])


def test_two_threads_step_as_one_after_the_other():
    alone = {}
    drive(alone, 0)
    drive(alone, 1)
    together = {}
    threads = [threading.Thread(target=drive, args=(together, k)) for k in range(2)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    for k in range(2):
        assert together[k][0] == alone[k][0]
        assert np.array_equal(together[k][1], alone[k][1], equal_nan=True)


def resident_kb():
    with open("/proc/self/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])


def test_memory_stays_flat():
    # 10 000 steps over fresh simulations: nothing is left behind them
    def steps(n):
        for _ in range(n // 500):
            sim = kadmer.Simulation(SCENARIOS["kin"])
            sim.step(ticks=500)
            sim.telemetry()
    steps(2000)
    before = resident_kb()
    steps(10000)
    assert resident_kb() - before < 2000


def test_traversability_map_of_flat_ground_is_safe_inside_and_refuses_unknown_limits():
    sim = kadmer.Simulation({"terrain": {"forme": "plat", "bosses": 0}, "duree": 1})
    carte = sim.traversability(pas=1.0, caps=4, jobs=2)
    surs = carte["caps_surs"]
    assert surs.shape == (21, 21)
    inside = surs[surs != carte["nodata"]]
    assert inside.size > 0 and np.all(inside == 4)
    assert np.allclose(carte["inclinaison_max_deg"][surs != carte["nodata"]], 0.0, atol=0.05)
    with pytest.raises(ValueError, match="cle inconnue"):
        sim.traversability(limites={"pente": 10})
    with pytest.raises(ValueError, match="inclinaison"):
        sim.traversability(limites={"inclinaison": 120})


def test_a_drive_plan_runs_and_reports_each_command():
    examples = os.path.join(os.path.dirname(__file__), "..", "..", "examples")
    with open(os.path.join(examples, "plan.json")) as f:
        scenario = json.load(f)
    del scenario["sorties"]
    scenario["terrain"]["fichier"] = os.path.join(examples, scenario["terrain"]["fichier"])
    scenario["pilotage"]["mode"] = "kin"
    sim = kadmer.Simulation(scenario)
    assert sim.plan["statut"] == "en_cours" and sim.plan["commande"] == 1
    sim.run(400)
    plan = sim.plan
    assert plan["statut"] == "ok" and plan["commande"] == len(plan["commandes"]) + 1
    assert [c["statut"] for c in plan["commandes"]] == ["ok"] * 5
    assert abs(plan["commandes"][3]["x_m"] - 4.0) < 0.5
    assert kadmer.Simulation({}).plan is None
