<%@ LANGUAGE="VBScript" %>
<% Option Explicit %>
<!-- #include file="site.inc" -->
<%
' Removes download folders at least ?days= days old (2 unless given). Meant
' to be requested by a scheduled task under an account of its own (see
' schedule-housekeeping.cmd). Turn Anonymous Authentication off and Windows
' Authentication on for this page in IIS; the page refuses anonymous
' callers itself as well, in case that setting is ever lost.
If Len(Request.ServerVariables("AUTH_USER").Item) = 0 Then
    Response.Status = "401 Unauthorized"
    Response.Write "<!DOCTYPE html>" & vbCrLf & "<html><head><title>Housekeeping</title></head><body>" & _
        "<p id=""refused"">Housekeeping is for signed-in accounts only.</p></body></html>" & vbCrLf
    Response.End
End If

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
<!DOCTYPE html>
<html>
<head><title>Housekeeping</title><link rel="stylesheet" href="style.css"></head>
<body>
<h1>Housekeeping</h1>
<p id="removed" data-count="<%= removed %>">Removed <%= removed %> download folder(s) at least <%= zip.daysOldToDelete %> day(s) old.</p>
</body>
</html>
