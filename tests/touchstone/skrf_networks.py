# Touchstone files of random networks, and the values scikit-rf gives for
# them, for the reader's round-trip test.
#
#   skrf_networks.py FOLDER     writes the files into FOLDER and FOLDER/expected.json
#   skrf_networks.py read FILE  prints scikit-rf's reading of FILE as JSON
#
# scikit-rf writes version 1 S-parameter files (MA, DB or RI, any frequency
# unit, one reference resistance) and reads them back; those files and its
# readings are the first set. It writes neither Y, Z, H nor G parameters nor
# version 2.0, and its reader takes one reference for all ports, so the
# second set is written here from scikit-rf's own networks: their Z and Y
# matrices (normalised to R in version 1, in ohms and siemens in 2.0, where
# each port has its own reference), H and G from Z, and the S-parameters
# the file must read back as are scikit-rf's S of the same network. Every
# entry also carries scikit-rf's chain (ABCD) matrix of a two-port or the
# input impedance of a one-port.
import json
import os
import sys

import numpy
numpy.complex = complex  # this scikit-rf still calls the alias newer numpy removed
import skrf

rng = numpy.random.default_rng(20261207)


def pairs(values):
    return [[float(v.real), float(v.imag)] for v in values]


def entry(path, network):
    n = network
    s = n.s
    e = {"file": os.path.basename(path), "ports": n.nports, "f": [float(f) for f in n.f],
         "z0": [float(z.real) for z in n.z0[0]], "s": []}
    for k in range(len(n.f)):
        m = s[k]
        e["s"].append(pairs([m[0, 0]]) if n.nports == 1 else
                      pairs([m[0, 0], m[0, 1], m[1, 0], m[1, 1]]))
    if n.nports == 1:
        e["z"] = pairs(n.z[:, 0, 0])
    else:
        e["abcd"] = [pairs([a[0, 0], a[0, 1], a[1, 0], a[1, 1]]) for a in n.a]
    return e


def random_network(ports, points, z0, reciprocal=False):
    f = numpy.sort(rng.uniform(1e6, 6e9, points))
    shape = (points, ports, ports)
    s = 0.6 * rng.uniform(0.1, 1, shape) * numpy.exp(1j * rng.uniform(-numpy.pi, numpy.pi, shape))
    if reciprocal and ports == 2:
        s[:, 0, 1] = s[:, 1, 0]
    return skrf.Network(frequency=skrf.Frequency.from_f(f, unit="hz"), s=s, z0=z0)


def text_of(values):
    return " ".join(repr(float(v)) for v in values)


def row_values(m, form, order):
    """The numbers of one row: each complex value as the format gives it."""
    out = []
    for v in (m[i, j] for i, j in order):
        if form == "ri":
            out += [v.real, v.imag]
        elif form == "ma":
            out += [abs(v), numpy.degrees(numpy.angle(v))]
        else:
            out += [20 * numpy.log10(abs(v)), numpy.degrees(numpy.angle(v))]
    return out


def parameters(n, kind):
    """The matrices of `kind` (ohms and siemens) of network n, per frequency."""
    if kind == "s":
        return n.s
    if kind == "z":
        return n.z
    if kind == "y":
        return n.y
    z = n.z
    h = numpy.empty_like(z)
    h[:, 0, 0] = (z[:, 0, 0] * z[:, 1, 1] - z[:, 0, 1] * z[:, 1, 0]) / z[:, 1, 1]
    h[:, 0, 1] = z[:, 0, 1] / z[:, 1, 1]
    h[:, 1, 0] = -z[:, 1, 0] / z[:, 1, 1]
    h[:, 1, 1] = 1 / z[:, 1, 1]
    return h if kind == "h" else numpy.linalg.inv(h)


def normalised(p, kind, r):
    """Version 1 values: Z and the H11 of H divided by R, Y and H22 times R."""
    scale = {"s": [[1, 1], [1, 1]], "z": [[1 / r, 1 / r], [1 / r, 1 / r]], "y": [[r, r], [r, r]],
             "h": [[1 / r, 1], [1, r]], "g": [[r, 1], [1, 1 / r]]}[kind]
    q = p.copy()
    for i in range(p.shape[1]):
        for j in range(p.shape[2]):
            q[:, i, j] *= scale[i][j]
    return q


def write_own(folder, name, n, kind, form, unit, version, order=None, layout="full"):
    path = os.path.join(folder, name)
    p = parameters(n, kind)
    ports = n.nports
    r = [float(z.real) for z in n.z0[0]]
    scale = {"hz": 1, "khz": 1e3, "mhz": 1e6, "ghz": 1e9}[unit]
    lines = ["! random %s-parameters written for the reader's test" % kind.upper()]
    if version == 1:
        p = normalised(p, kind, r[0])
        lines.append("# %s %s %s R %r" % (unit.upper(), kind.upper(), form.upper(), r[0]))
        cells = [(0, 0)] if ports == 1 else [(0, 0), (1, 0), (0, 1), (1, 1)]
    else:
        lines += ["[Version] 2.0", "# %s %s %s R 50" % (unit, kind, form),
                  "[Number of Ports] %d" % ports]
        if ports == 2:
            lines.append("[Two-Port Data Order] %s" % order)
        lines += ["[Number of Frequencies] %d" % len(n.f), "[Reference] %r" % r[0]]
        if ports == 2:
            lines.append("%r" % r[1])  # the reference may go on over the next line
            lines.append("[Matrix Format] %s" % layout)
        lines.append("[Network Data]")
        if ports == 1:
            cells = [(0, 0)]
        elif layout == "lower":
            cells = [(0, 0), (1, 0), (1, 1)]
        elif layout == "upper":
            cells = [(0, 0), (0, 1), (1, 1)]
        else:
            cells = [(0, 0), (0, 1), (1, 0), (1, 1)] if order == "12_21" else [(0, 0), (1, 0), (0, 1), (1, 1)]
    for k, f in enumerate(n.f):
        values = row_values(p[k], form, cells)
        if ports == 2 and k % 2:  # fold every other row over two lines
            lines.append(text_of([f / scale] + values[:3]) + " ! folded")
            lines.append(text_of(values[3:]))
        else:
            lines.append(text_of([f / scale] + values))
    if version == 2:
        lines.append("[End]")
    with open(path, "w") as out:
        out.write("\n".join(lines) + "\n")
    return entry(path, n)


def main():
    if sys.argv[1] == "read":
        print(json.dumps(entry(sys.argv[2], skrf.Network(sys.argv[2]))))
        return
    folder = sys.argv[1]
    entries = []
    count = 0
    for ports in (1, 2):
        for form in ("ma", "db", "ri"):
            for unit in ("Hz", "kHz", "MHz", "GHz"):
                count += 1
                n = random_network(ports, 7, 50.0 if count % 3 == 0 else 37.5 + count)
                n.frequency.unit = unit.lower()
                name = "skrf_%s_%s_%d.s%dp" % (form, unit, ports, ports)
                n.write_touchstone(os.path.join(folder, name), form=form)
                entries.append(entry(name, skrf.Network(os.path.join(folder, name))))
    for ports, kinds in ((1, ("z", "y")), (2, ("z", "y", "h", "g"))):
        for kind in kinds:
            for form in ("ri", "ma", "db"):
                n = random_network(ports, 6, 68.0)
                entries.append(write_own(folder, "v1_%s_%s.s%dp" % (kind, form, ports), n, kind, form, "mhz", 1))
    for kind in ("s", "z", "y"):
        n = random_network(1, 5, [33.0])
        entries.append(write_own(folder, "v2_%s.ts" % kind, n, kind, "ri", "khz", 2))
    for kind in ("s", "z", "y", "h", "g"):
        for order in ("12_21", "21_12"):
            n = random_network(2, 5, [25.0, 110.0])
            entries.append(write_own(folder, "v2_%s_%s.s2p" % (kind, order), n, kind, "ma", "ghz", 2, order))
        for layout in ("lower", "upper") if kind in "szy" else ():  # H and G are not symmetric
            n = random_network(2, 4, [40.0, 90.0], reciprocal=True)
            entries.append(write_own(folder, "v2_%s_%s.ts" % (kind, layout), n, kind, "db", "hz", 2, "21_12", layout))
    with open(os.path.join(folder, "expected.json"), "w") as out:
        json.dump(entries, out)
    print(len(entries), "files")


main()
