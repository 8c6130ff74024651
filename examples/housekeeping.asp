<%@ LANGUAGE="VBScript" %>
<% Option Explicit %>
<!-- #include file="site.inc" -->
<!DOCTYPE html>
<html>
<head><title>Housekeeping</title><link rel="stylesheet" href="style.css"></head>
<body>
<h1>Housekeeping</h1>
<%
Dim zip, days, removed
days = 2
If IsNumeric(Request.QueryString("days").Item) And Len(Request.QueryString("days").Item) > 0 Then
    days = CInt(Request.QueryString("days").Item)
End If

Set zip = Server.CreateObject("Kestrelbay.Crateload2")
zip.virtualTargetRoot = DownloadRoot
zip.daysOldToDelete = days
' Writes into the page only when it fails.
removed = zip.deleteOldFiles()
%>
<p id="removed" data-count="<%= removed %>">Removed <%= removed %> download folder(s) at least <%= zip.daysOldToDelete %> day(s) old.</p>
<p><a href="zip.asp">Back to zipping</a></p>
</body>
</html>
