[General]
NumberOfGroups=2147483647
[Group9999]
Count=2
Plate2=x
