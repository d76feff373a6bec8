// Jacobi elliptic functions and complete elliptic integrals in double
// precision, by arithmetic-geometric means, descending Landen transformations
// and nome (theta) series. Arguments of the Jacobi functions are normalised to
// the quarter period: u = 1 means K(k).
#pragma once

#include <complex>

namespace varnholt {

// A modulus with its complement, k^2 + k'^2 = 1. Both are carried because
// either may be too close to 1 for the other to be recovered from it.
struct Modulus {
  double k;
  double kp;
};

// K(k), the complete elliptic integral of the first kind; K'(k) is K of
// {kp, k}.
double complete_integral(Modulus m);

// cd(u K, k) for complex u; sn(u K, k) = cd((1 - u) K, k).
std::complex<double> cd_normalised(std::complex<double> u, Modulus m);

// The real v with sn(j v K, k) = j x, that is v = sc^-1(x, k') / K(k).
double arc_sn_imaginary(double x, Modulus m);

// The modulus k of order n whose ratio K'/K is 1/n of that of k1 (the
// elliptic degree equation solved by the nome: q = q1^(1/n)).
Modulus degree_modulus(int n, Modulus k1);

// The order, not rounded, that the degree equation gives for the moduli k
// (selectivity) and k1 (discrimination): n = K(k) K'(k1) / (K'(k) K(k1)).
double degree_order(Modulus k, Modulus k1);

}  // namespace varnholt
