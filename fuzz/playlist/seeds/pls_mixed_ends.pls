[playlist]File1= http://a/1  xTitle1=	One  
Length1=-1
File2=http://b/2�
Title2= 
