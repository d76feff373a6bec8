# Reads a command's outputs with outside readers and prints what each holds:
# the CSV with Python's csv module, the design file with json, the Touchstone
# file with scikit-rf. One line per output: "csv ROWS COLUMN,COLUMN,...",
# "json KEY,KEY,..." (the top-level keys and those of "practical"),
# "touchstone POINTS".
import csv
import json
import math
import os
import sys

import numpy
numpy.complex = complex  # this scikit-rf still calls the alias newer numpy removed
import skrf

folder = sys.argv[1]
with open(os.path.join(folder, "d.csv"), newline="") as f:
    rows = list(csv.reader(f))
for row in rows[1:]:
    assert len(row) == len(rows[0]) and all(math.isfinite(float(v)) for v in row), row
print("csv", len(rows) - 1, ",".join(rows[0]))
if os.path.exists(os.path.join(folder, "d.json")):
    with open(os.path.join(folder, "d.json")) as f:
        design = json.load(f)
    keys = sorted(design) + sorted("practical." + k for k in design.get("practical", {}))
    print("json", ",".join(keys))
network = skrf.Network(os.path.join(folder, "d.s2p"))
assert numpy.all(numpy.isfinite(network.s))
print("touchstone", len(network.f))
