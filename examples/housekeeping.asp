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

' A whole number of days from 0 to 32767, in digits only, as the component
' takes it.
Function IsDayCount(text)
    Dim i
    IsDayCount = Len(text) > 0 And Len(text) <= 5
    For i = 1 To Len(text)
        If InStr("0123456789", Mid(text, i, 1)) = 0 Then IsDayCount = False
    Next
    If IsDayCount Then IsDayCount = CLng(text) <= 32767
End Function

Dim zip, days, removed
days = 2
If Len(Request.QueryString("days").Item) > 0 Then
    ' Anything else is the caller's mistake, answered before anything is
    ' removed: a number that CInt cannot hold would stop the page with an
    ' Overflow, and one the component ignores would remove by the default.
    If Not IsDayCount(Request.QueryString("days").Item) Then
        Response.Status = "400 Bad Request"
        Response.Write "<!DOCTYPE html>" & vbCrLf & "<html><head><title>Housekeeping</title></head><body>" & _
            "<p id=""bad-days"">days must be a whole number from 0 to 32767.</p></body></html>" & vbCrLf
        Response.End
    End If
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
