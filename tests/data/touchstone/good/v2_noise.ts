[Version] 2.0
# GHz S MA R 60
[Number of Ports] 2
[Two-Port Data Order] 12_21
[Number of Frequencies] 2
[Number of Noise Frequencies] 2
[Network Data]
1 0.5 0 0.1 90 0.9 0 0.5 180
2 0.5 0 0.1 90 0.9 0 0.5 180
[Noise Data]
1 1.2 0.5 30 0.2
1.5 1.3 0.5 30 0.2
[End]
