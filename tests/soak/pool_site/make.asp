<%@ LANGUAGE="VBScript" %>
<%
' Creates the component and lets it go with the page.
Dim zip
Set zip = Server.CreateObject("Kestrelbay.Crateload2")
Response.Write "<p id=made>" & zip.compressionRate & "</p>"
%>
