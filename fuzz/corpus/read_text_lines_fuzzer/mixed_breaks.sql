ab
c
d