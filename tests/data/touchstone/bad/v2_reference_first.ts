[Version] 2.0
[Reference] 50
[Number of Ports] 1
