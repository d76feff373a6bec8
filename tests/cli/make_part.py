# Writes the Touchstone file of an ideal part, as a part vendor would, with
# scikit-rf: an inductor (nH) or a capacitor (pF), optionally with a
# capacitance (pF) across it, as a one-port or a two-port measured in a
# series fixture (the part between the ports) or a shunt fixture (the part
# from the line to ground), at POINTS frequencies from FROM to TO MHz.
#   make_part.py OUT.sNp L|C VALUE one-port|series|shunt CP FROM TO POINTS
import os
import sys

import numpy
numpy.complex = complex  # this scikit-rf still calls the alias newer numpy removed
import skrf

out, kind, value, fixture, cp = sys.argv[1], sys.argv[2], float(sys.argv[3]), sys.argv[4], float(sys.argv[5])
freq = skrf.Frequency(float(sys.argv[6]), float(sys.argv[7]), int(sys.argv[8]), "mhz")
w = 2 * numpy.pi * freq.f
y = 1j * w * cp * 1e-12 + (1 / (1j * w * value * 1e-9) if kind == "L" else 1j * w * value * 1e-12)
z = 1 / y
n = len(w)
if fixture == "one-port":
    s = ((z - 50) / (z + 50)).reshape(n, 1, 1)
else:
    abcd = numpy.zeros((n, 2, 2), dtype=complex)
    abcd[:, 0, 0] = abcd[:, 1, 1] = 1
    if fixture == "series":
        abcd[:, 0, 1] = z
    else:
        abcd[:, 1, 0] = y
    s = skrf.a2s(abcd, 50)
skrf.Network(frequency=freq, s=s, z0=50).write_touchstone(os.path.splitext(out)[0])
