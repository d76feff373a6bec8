[Version] 2.0
[Number of Ports] 1
[Number of Frequencies] 1
1 0.5 0
