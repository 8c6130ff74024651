<%
' The component writes through the context that OnStartPage gave it, and
' maps its virtual list root through the context's Server.MapPath.
Dim lister, count
Response.Buffer = (Request.QueryString("buffer") <> "off")
Set lister = Server.CreateObject("Kestrelbay.Crateload2")
lister.fileListRoot = "files"
lister.beforeFileHTML = "["
lister.afterFileHTML = "]"
count = lister.fileListing("*.txt")
Response.Write "count=" & count
%>
