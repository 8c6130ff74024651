<%
' One doZip, as a page on the site calls it: zips a physical folder,
' recursively, into a new download folder below the site's root, and
' writes the status.
'   /dozip.asp?source=FOLDER&rate=RATE
Dim zip, errorNumber, errorText
Set zip = Server.CreateObject("Kestrelbay.Crateload2")
zip.sourceFileList = Request.QueryString("source") & "\*.*"
zip.recurseDirs = True
zip.compressionRate = CInt(Request.QueryString("rate"))
zip.zipFileName = "bench.zip"
zip.virtualTargetRoot = "/"
errorNumber = -1
errorText = ""
zip.doZip errorNumber, errorText
Response.Write "status " & errorNumber & " " & errorText & " " & zip.zipfileDownloadHref
%>
