<%@ LANGUAGE="VBScript" %>
<%
' A small zip, or the busy message while another page zips.
Dim zip, n, t
Set zip = Server.CreateObject("Kestrelbay.Crateload2")
zip.hideResponse = True
zip.sourceFileList = "/files/a.txt"
zip.zipFileName = "small"
zip.virtualTargetRoot = "/dl"
n = -1
If zip.doZip(n, t) Then
    Response.Write "<p id=zipped>" & zip.zipfileDownloadHref & "</p>"
ElseIf n = -1 Then
    Response.Write "<p id=busy></p>"
Else
    Response.Write "<p id=failed>" & n & " " & t & "</p>"
End If
%>
