[playlist]
numberofentries=2
File1=http://a
Title1=A
Length1=-1
File2=b
Length2=-1
Version=2
