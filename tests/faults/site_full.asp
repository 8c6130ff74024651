<%
' Zips the sources named by ?src= into /dl, deleting the originals.
Dim zip, n, t, ok
Set zip = Server.CreateObject("Kestrelbay.Crateload2")
zip.hideResponse = True
zip.sourceFileList = Request.QueryString("src").Item
zip.zipFileName = "full.zip"
zip.virtualTargetRoot = "/dl"
zip.compressionRate = 0
zip.deleteOriginalFiles = True
ok = zip.doZip(n, t)
Response.Write "<p id=result>" & ok & "|" & n & "|" & t & "</p>"
%>
