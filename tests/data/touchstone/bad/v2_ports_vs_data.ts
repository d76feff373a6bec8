[Version] 2.0
# GHz S RI
[Number of Ports] 1
[Number of Frequencies] 1
[Network Data]
1 0.1 0.2 0.9 0 0.9 0 0.1 -0.2
[End]
