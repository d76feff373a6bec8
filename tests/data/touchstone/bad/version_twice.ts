[Version] 2.0
[Version] 2.0
