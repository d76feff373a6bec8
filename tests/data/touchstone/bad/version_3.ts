[Version] 3.0
