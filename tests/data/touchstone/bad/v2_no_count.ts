[Version] 2.0
[Number of Ports] 1
[Network Data]
1 0.5 0
[End]
