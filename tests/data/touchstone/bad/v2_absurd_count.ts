[Version] 2.0
[Number of Ports] 1
[Number of Frequencies] 999999999999
