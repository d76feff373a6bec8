// The tabulated low-pass prototypes (Bessel, linear phase 0.05 degree) the
// dialog offers, in the one copy the float and the double design both read.
// Values are as typed, from the source end: row n - 2 holds g(1)..g(n) of
// order n, zero-padded to ten; the normalised load g(n+1) is 1.
#pragma once

#include <array>

namespace varnholt {

inline constexpr int kFirstTabulatedOrder = 2;
inline constexpr int kLastTabulatedOrder = 10;

using PrototypeTable = std::array<std::array<double, kLastTabulatedOrder>,
                                  kLastTabulatedOrder - kFirstTabulatedOrder + 1>;

inline constexpr PrototypeTable kBesselPrototypes = {{
    {2.1478055, 0.57550275},
    {2.2034113, 0.9705118, 0.33742148},
    {2.2403786, 1.0815161, 0.6725248, 0.2334158},
    {2.258217, 1.1110332, 0.80401117, 0.50724065, 0.17431939},
    {2.2645237, 1.112643, 0.8537859, 0.6391554, 0.40018985, 0.13649239},
    {2.2659006, 1.1051644, 0.86902684, 0.70200914, 0.52489275, 0.32588813, 0.11056245},
    {2.265607, 1.0955592, 0.8695004, 0.7302567, 0.5935727, 0.44092214, 0.27191073, 0.09190555},
    {2.264879, 1.0862838, 0.8638734, 0.74073297, 0.63059515, 0.5107787, 0.37698653, 0.23129126,
     0.07796547},
    {2.264126, 1.0780948, 0.85607237, 0.7420173, 0.64933544, 0.55281526, 0.4454427, 0.32707,
     0.20001027, 0.06715569},
}};

inline constexpr PrototypeTable kLinearPhasePrototypes = {{
    {1.5774, 0.4226},
    {1.255, 0.5528, 0.1922},
    {1.0598, 0.5116, 0.3181, 0.1104},
    {0.9303, 0.4577, 0.3312, 0.209, 0.0718},
    {0.8377, 0.4116, 0.3158, 0.2364, 0.148, 0.0505},
    {0.7677, 0.3744, 0.2944, 0.2378, 0.1778, 0.1104, 0.0375},
    {0.7125, 0.3446, 0.2735, 0.2297, 0.1867, 0.1387, 0.0855, 0.0289},
    {0.6678, 0.3203, 0.2547, 0.2184, 0.1859, 0.1506, 0.1111, 0.0682, 0.023},
    {0.6305, 0.3002, 0.2384, 0.2066, 0.1808, 0.1539, 0.124, 0.0911, 0.0557, 0.0187},
}};

}  // namespace varnholt
