<html><body>[playlist]<br>File1=a</body></html>
