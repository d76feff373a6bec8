#!/usr/bin/python3
"""Reference data for the computed responses (tests/synthesis/responses_test.cpp).

Run from the repository root with Debian's Python (it has SciPy):
    /usr/bin/python3 tests/tools/responses_reference.py > tests/data/responses_reference.txt

Lines written (w in rad/s on the program's axes, losses in dB):
  loss  RESPONSE PARAM N w dB   Butterworth (buttap), Chebyshev (cheb1ap),
                                Bessel (besselap, norm 'mag'), linear phase
                                (besselap, norm 'delay'); Legendre, Gaussian and
                                the transitional Gaussians from their
                                definitions with NumPy's polynomials
  pole  RESPONSE 0 N re im      besselap's poles, orders 11..15
  cheb2 AS N w dB               cheb2ap moved to 3 dB at 1 rad/s (found here by
                                root search), even orders remapped as the
                                elliptic references are: the highest zero to
                                infinity by w_a^2 = A w^2 / (1 + B w^2)
  edge2 AS N ws                 where that loss first reaches AS
  order RESPONSE PARAM w A1 N   the lowest order 2..15 with at least A1 at w
                                (0: none)
"""
import math
from fractions import Fraction

import numpy as np
from numpy.polynomial import Polynomial
from scipy import optimize, signal

ORDERS = range(2, 16)
POINTS = [0.1, 0.3, 0.5, 0.7, 0.9, 1.0, 1.2, 1.5, 2.0, 3.0, 5.0]
LN2 = math.log(2.0)


def zpk_loss(zpk, w):
    return float(-20 * np.log10(np.abs(signal.freqs_zpk(*zpk, worN=[w])[1][0])))


def poly_mul(a, b):
    out = [Fraction(0)] * (len(a) + len(b) - 1)
    for i, x in enumerate(a):
        for j, y in enumerate(b):
            out[i + j] += x * y
    return out


def poly_at(p, x):
    v = 0
    for c in reversed(p):
        v = v * x + c
    return v


def optimum_l(n):
    """Papoulis' L_n(x), x = w^2, in exact rational arithmetic: the Legendre
    coefficients are (2i + 1) c, and only c^2, a rational, enters."""
    k = (n - 1) // 2
    odd = n % 2 == 1
    c2 = Fraction(1, 2 * (k + 1) ** 2) if odd else Fraction(1, (k + 1) * (k + 2))
    ps = [[Fraction(1)], [Fraction(0), Fraction(1)]]
    for i in range(1, k + 1):
        nxt = [Fraction(0)] + [(2 * i + 1) * c for c in ps[i]]
        for j, c in enumerate(ps[i - 1]):
            nxt[j] -= i * c
        ps.append([c / (i + 1) for c in nxt])
    v = [Fraction(0)] * (k + 1)
    for i in range(k + 1):
        if odd or i % 2 == k % 2:
            for j, c in enumerate(ps[i]):
                v[j] += (2 * i + 1) * c
    integrand = [c * c2 for c in poly_mul(v, v)]
    if not odd:
        integrand = poly_mul(integrand, [Fraction(1), Fraction(1)])
    prim = [Fraction(0)] + [c / (j + 1) for j, c in enumerate(integrand)]
    # L(x) = prim(2x - 1) - prim(-1)
    out = [Fraction(0)]
    for c in reversed(prim):
        out = poly_mul(out, [Fraction(-1), Fraction(2)])
        out[0] += c
    out[0] -= poly_at(prim, Fraction(-1))
    return Polynomial([float(c) for c in out]), out


def three_db(p):
    """p scaled in x so that p(1) = 2 p(0)."""
    x3 = optimize.brentq(lambda x: p(x) - 2 * p(0), 1e-6, 100, xtol=1e-15, rtol=1e-15)
    return Polynomial(p.coef * x3 ** np.arange(len(p.coef)))


def gaussian(n):
    return three_db(Polynomial([1 / math.factorial(k) for k in range(n + 1)]))


def transitional(n, xt):
    c = [LN2 ** k / math.factorial(k) for k in range(n)]
    # the remainder of the series at xt, term by term (exp less the series cancels)
    remainder = sum((LN2 * xt) ** k / math.factorial(k) for k in range(n, n + 80))
    c.append(remainder / xt ** n)
    return three_db(Polynomial(c))


def power_loss(p, w):
    return 10 * math.log10(p(w * w))


def responses():
    """name, param, n -> loss function"""
    out = []
    for n in ORDERS:
        out.append(("Butterworth", 0, n, lambda w, z=signal.buttap(n): zpk_loss(z, w)))
        out.append(("Chebyshev", 0.5, n, lambda w, z=signal.cheb1ap(n, 0.5): zpk_loss(z, w)))
        out.append(("Bessel", 0, n, lambda w, z=signal.besselap(n, norm='mag'): zpk_loss(z, w)))
        out.append(("LinearPhase", 0, n,
                    lambda w, z=signal.besselap(n, norm='delay'): zpk_loss(z, w)))
        exact = optimum_l(n)[1]
        assert poly_at(exact, 1) == 1 and exact[0] == 0
        out.append(("Legendre", 0, n, lambda w, p=exact: 10 * math.log10(
            float(1 + poly_at(p, Fraction(w) ** 2)))))
        out.append(("Gaussian", 0, n, lambda w, p=gaussian(n): power_loss(p, w)))
        out.append(("Transitional6dB", 0, n, lambda w, p=transitional(n, 2.0): power_loss(p, w)))
        out.append(("Transitional12dB", 0, n,
                    lambda w, p=transitional(n, 4.0): power_loss(p, w)))
    return out


def inverse_chebyshev(n, as_):
    """Loss on the program's axis, and the stopband edge there."""
    zpk = signal.cheb2ap(n, as_)
    f = lambda w: zpk_loss(zpk, w)
    w3 = optimize.brentq(lambda w: f(w) - 10 * math.log10(2), 1e-6, 1.0, xtol=1e-16, rtol=1e-15)
    edge = optimize.brentq(lambda w: f(w) - as_, w3 * (1 + 1e-12), 1.0 + 1e-6, xtol=1e-16,
                           rtol=1e-15)
    if n % 2:
        return (lambda w: f(w * w3)), edge / w3
    zm = np.max(np.abs(zpk[0].imag)) / w3
    b = 1.0 / (zm * zm - 1.0)
    a = zm * zm * b
    wa = lambda w: math.sqrt(a * w * w / (1 + b * w * w))
    ea = edge / w3
    return (lambda w: f(wa(w) * w3)), math.sqrt(ea * ea / (a - b * ea * ea))


def main():
    print("# written by tests/tools/responses_reference.py")
    table = responses()
    for name, param, n, loss in table:
        for w in POINTS:
            print(f"loss {name} {param} {n} {w!r} {loss(w):.12g}")
    for norm, name in (("mag", "Bessel"), ("delay", "LinearPhase")):
        for n in range(11, 16):
            for p in signal.besselap(n, norm=norm)[1]:
                print(f"pole {name} 0 {n} {p.real!r} {p.imag!r}")
    for as_ in (40.0, 60.0, 80.0):
        for n in ORDERS:
            loss, ws = inverse_chebyshev(n, as_)
            print(f"edge2 {as_} {n} {ws!r}")
            for w in [0.05, 0.2, 0.4, 0.6, 0.8, 0.9, 0.95, 1.0]:
                print(f"cheb2 {as_} {n} {w!r} {loss(w):.15g}")
            for t in [1.0, 1.1, 1.5, 2.0, 4.0]:
                print(f"cheb2 {as_} {n} {ws * t!r} {loss(ws * t):.12g}")
    by_name = {}
    for name, param, n, loss in table:
        by_name.setdefault((name, param), []).append((n, loss))
    for (name, param), fns in by_name.items():
        for w, a1 in ((1.5, 20.0), (3.0, 60.0), (1.2, 30.0), (2.0, 10.0), (3.0, 20.0), (5.0, 30.0)):
            found = next((n for n, loss in fns if loss(w) >= a1), 0)
            print(f"order {name} {param} {w} {a1} {found}")


if __name__ == "__main__":
    main()
