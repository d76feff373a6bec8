[Version] 2.0
[Number of Ports] 2
[Mixed-Mode Order] D2,1 C2,1
