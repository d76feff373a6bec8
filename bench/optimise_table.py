#!/usr/bin/env python3
"""The value search against plain rounding on the designs of
tests/data/cli/optimise.txt: worst margin and yield of the rounding,
--optimise and --optimise yield, and the passband of the optimised netlist
checked in ngspice. Usage: bench/optimise_table.py [build/varnholt]"""
import json, os, subprocess, sys, tempfile

root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
program = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "build", "varnholt")
rows = {}
for line in open(os.path.join(root, "tests", "data", "cli", "optimise.txt")):
    if line.strip() and not line.startswith("#"):
        name, rest = line.rstrip("\n").split(" || ", 1)
        rows[name] = rest.split(" || ")


def run(folder, args):
    subprocess.run([program] + args.split() + ["--json", "d.json", "--csv", "d.csv", "--spice", "d.cir"],
                   cwd=folder, check=True)
    p = json.load(open(os.path.join(folder, "d.json")))["practical"]
    return p["checks"][-1]["worst_margin_db"], p["yield"]["percent"]


def simulated_worst_loss(folder, lo, hi):
    subprocess.run(["ngspice", "-b", "d.cir"], cwd=folder, capture_output=True, check=True)
    worst = 0.0
    for line in open(os.path.join(folder, "d-ac.txt")).readlines()[1:]:
        f, s21 = (float(v) for v in line.split()[:2])
        if lo <= f / 1e6 <= hi:
            worst = max(worst, -s21)
    return worst


tolerances = " " + rows["tolerances"][0]
print("| design | rounded margin / yield | --optimise | --optimise yield | ngspice passband loss (mask) |")
print("|---|---|---|---|---|")
for name, (band, design) in ((k, v) for k, v in rows.items() if len(v) == 2 and k != "refine"):
    lo, hi, mask = (float(v) for v in band.split())
    with tempfile.TemporaryDirectory() as folder:
        cells = [run(folder, design.replace(" --pairs", "") + tolerances)]
        cells.append(run(folder, design + tolerances + " --optimise yield"))
        cells.insert(1, run(folder, design + tolerances + " --optimise"))
        loss = simulated_worst_loss(folder, lo, hi)
    text = " | ".join("%+.3f dB / %.0f %%" % c for c in cells)
    print("| %s | %s | %.3f dB (%s dB): %s |" % (name, text, loss, mask, "pass" if loss <= mask else "FAIL"))
