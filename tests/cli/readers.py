# Reads a command's exports with outside readers: the CSV with Python's csv
# module (checks the promised columns) and the Touchstone file with
# scikit-rf, terminated in the source and load resistances. Prints
# "csv ROWS", then per frequency: MHz, S21 dB, S21 deg, S11 dB.
import csv
import math
import sys

import numpy
numpy.complex = complex  # this scikit-rf still calls the alias newer numpy removed
import skrf

folder, rs, rl = sys.argv[1], float(sys.argv[2]), float(sys.argv[3])
with open(folder + "/d.csv", newline="") as f:
    rows = list(csv.reader(f))
assert rows[0] == ["frequency_MHz", "s21_dB", "s21_phase_deg", "group_delay_ns", "s11_dB",
                   "vswr", "zin_real_ohm", "zin_imag_ohm"], rows[0]
for row in rows[1:]:
    assert len(row) == 8 and all(math.isfinite(float(v)) for v in row), row
print("csv", len(rows) - 1)
n = skrf.Network(folder + "/d.s2p")
# Renormalising goes through the Z-parameters, which a lossless ladder at a
# band edge may not have; terminations equal to the file's own need none.
if not (numpy.allclose(n.z0[:, 0], rs) and numpy.allclose(n.z0[:, 1], rl)):
    n.renormalize([rs, rl])
for f, s21, s11 in zip(n.f, n.s[:, 1, 0], n.s[:, 0, 0]):
    print(f / 1e6, 20 * math.log10(abs(s21)), math.degrees(numpy.angle(s21)),
          20 * math.log10(abs(s11)))
