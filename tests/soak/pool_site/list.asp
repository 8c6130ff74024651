<%@ LANGUAGE="VBScript" %>
<%
Dim zip
Set zip = Server.CreateObject("Kestrelbay.Crateload2")
zip.fileListRoot = "/files"
zip.beforeFileHTML = "<li>"
zip.afterFileHTML = "</li>"
Response.Write "<p id=listed>" & zip.fileListing("*.txt") & "</p>"
%>
