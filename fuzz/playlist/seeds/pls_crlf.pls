junk
[playlist]
FILE3 = x  y
Title3 =Café
file=
