#!/usr/bin/python3
"""Reference data for the elliptic filter tests, from SciPy's elliptic
prototype (an implementation independent of the program's).

Run from the repository root with Debian's Python (it has SciPy):
    /usr/bin/python3 tests/tools/elliptic_reference.py > tests/data/elliptic_reference.txt

Lines written:
  loss  N Am As w dB       loss of the normalised low-pass (passband edge 1 rad/s)
  edge  N Am As ws         where the loss first reaches As beyond the passband
  order Am As ws N         the lowest order meeting As at ws (ellipord)
  element N Am As v...     element values of the standard ladder (shunt C first,
                           series tanks; C, L, C per section, last C, load),
                           from polynomial zero shifting on SciPy's poles
Even orders are the modified response: the highest zero of SciPy's classical
response moved to infinity by w_a^2 = A w^2 / (1 + B w^2), B = 1 / (zm^2 - 1),
A = zm^2 B.
"""
import itertools

import numpy as np
from numpy.polynomial import polynomial as P
from scipy import optimize, signal

PAIRS = [(0.1, 40.0), (0.5, 60.0), (0.01, 80.0), (1.0, 100.0)]


def prototype(n, am, as_):
    z, p, k = signal.ellipap(n, am, as_)
    if n % 2 == 0:
        zm = np.max(np.abs(z.imag))
        b = 1.0 / (zm * zm - 1.0)
        a = zm * zm * b
        z = z[np.abs(np.abs(z.imag) - zm) > 1e-9 * zm]
        z = 1j * np.sqrt((z.imag ** 2) / (a - b * z.imag ** 2)) * np.sign(z.imag)
        p = np.sqrt(p * p / (a + b * p * p))
        p = np.where(p.real > 0, -p, p)
        h0 = abs(signal.freqs_zpk(*signal.ellipap(n, am, as_), worN=[0.0])[1][0])
        k = h0 / abs(np.prod(-z) / np.prod(-p))
    return z, p, k


def loss(zpk, w):
    return -20 * np.log10(np.abs(signal.freqs_zpk(*zpk, worN=np.atleast_1d(w))[1]))


def edge(zpk, as_):
    top = np.min(np.abs(zpk[0].imag)) if len(zpk[0]) else 1e6
    return optimize.brentq(lambda w: loss(zpk, w)[0] - as_, 1.0 + 1e-12, top * (1 - 1e-12),
                           xtol=1e-15, rtol=1e-14)


def power(c):
    """|c(jw)|^2 as a polynomial in x = w^2, for real coefficients c."""
    sq = P.polymul(c, c * (-1.0) ** np.arange(len(c)))[0::2]
    return sq * (-1.0) ** np.arange(len(sq))


def ladder(zpk, am, order):
    """Zero shifting on expanded polynomials: Y = (E + F) / (E - F)."""
    z, p, k = zpk
    zeros = np.sort(np.abs(z.imag))[::2]
    n = len(p)
    e = np.real(P.polyfromroots(p))
    # reflection zeros: double roots in x = w^2 of |D|^2 - |N|^2 (H = N / D),
    # found as the sign changes of its derivative beside the loss minima
    dq = P.polyder(P.polysub(power(np.real(P.polyfromroots(p))),
                             power(np.real(P.polyfromroots(z)) * k)))
    f = np.array([1.0])
    grid = np.linspace(0, 1, 20001)
    lw = loss(zpk, grid)
    for i in range(1, len(grid) - 1):
        if lw[i] < lw[i - 1] and lw[i] <= lw[i + 1] and lw[i] < 1e-3 * am:
            r2 = optimize.brentq(lambda x: P.polyval(x, dq), grid[i - 1] ** 2, grid[i + 1] ** 2,
                                 xtol=1e-16, rtol=1e-15)
            f = P.polymul(f, [r2, 0, 1])
    if n % 2:
        f = P.polymul(f, [0, 1])
    pz = np.array([1.0])
    for x in zeros:
        pz = P.polymul(pz, [x * x, 0, 1])
    eps = np.sqrt(10 ** (am / 10) - 1)
    h = eps * abs(P.polyval(1j, pz)) / abs(P.polyval(1j, f))
    e, f = e * h, f * h
    num, den = e + f, (e - f)[:-1]
    out = []
    for wz in (zeros[i] for i in order):
        c = (P.polyval(1j * wz, num) / P.polyval(1j * wz, den)).imag / wz
        num = P.polydiv(P.polysub(num, P.polymul([0, c], den)), [wz * wz, 0, 1])[0]
        a = (P.polyval(1j * wz, den) / (1j * wz * P.polyval(1j * wz, num))).real
        den = P.polydiv(P.polysub(den, P.polymul([0, a], num)), [wz * wz, 0, 1])[0]
        out += [c, a / wz ** 2, 1 / a]
    num, den = np.trim_zeros(num, 'b'), np.trim_zeros(den, 'b')
    out += [num[1] / den[0], den[0] / num[0]]
    return out


def best_ladder(zpk, am):
    best = None
    for order in itertools.permutations(range(len(zpk[0]) // 2)):
        v = ladder(zpk, am, order)
        if min(v) > 0 and (best is None or max(v) / min(v) < max(best) / min(best)):
            best = v
    return best


def main():
    for n in list(range(3, 16, 2)) + [4, 8, 12]:
        for am, as_ in PAIRS if n % 2 else PAIRS[:2]:
            zpk = prototype(n, am, as_)
            ws = edge(zpk, as_)
            print(f"edge {n} {am} {as_} {ws:.15g}")
            zeros = np.sort(np.abs(zpk[0].imag))[::2]
            pass_w = np.sin(np.linspace(0.05, 1.0, 8) * np.pi / 2)
            stop_w = np.concatenate([[ws], ws + (zeros[0] - ws) * np.array([0.3, 0.7]),
                                     np.sqrt(zeros[:-1] * zeros[1:]), [3 * zeros[-1]]])
            for w in np.concatenate([pass_w, stop_w]):
                print(f"loss {n} {am} {as_} {w:.15g} {loss(zpk, w)[0]:.12g}")
    for am, as_, ws in [(0.1, 40, 1.5), (0.5, 60, 1.2), (0.1, 60, 1.05), (1.0, 50, 2.0),
                        (0.01, 70, 1.3), (0.2, 45, 1.1)]:
        n = signal.ellipord(1.0, ws, am, as_, analog=True)[0]
        print(f"order {am} {as_} {ws} {n}")
    for n, am, as_ in [(3, 0.1, 40), (5, 0.5, 60), (7, 0.1, 60), (5, 1.0, 40)]:
        v = best_ladder(prototype(n, am, as_), am)
        print(f"element {n} {am} {as_} " + " ".join(f"{x:.12g}" for x in v))


if __name__ == "__main__":
    main()
