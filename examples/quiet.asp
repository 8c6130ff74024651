<%@ LANGUAGE="VBScript" %>
<% Option Explicit %>
<!-- #include file="site.inc" -->
<!DOCTYPE html>
<html>
<head><title>Your report</title><link rel="stylesheet" href="style.css"></head>
<body>
<h1>Your report</h1>
<%
Dim zip, name, errorNumber, errorText

' The archive's name may come from the address (quiet.asp?name=q3): a
' name the component refuses shows how the page words a failure itself.
name = Request.QueryString("name").Item
If Len(name) = 0 Then name = "report"

Set zip = Server.CreateObject("Kestrelbay.Crateload2")
' Nothing of the component's own reaches this page: no banner, no progress,
' no error paragraph. The page says everything itself, from the result,
' errorNumber, errorText and zipfileDownloadHref.
zip.hideResponse = True
zip.sourceFileList = SampleFolder & "/report.txt"
zip.zipFileName = name
zip.virtualTargetRoot = DownloadRoot

If zip.doZip(errorNumber, errorText) Then
    Response.Write "<p id=""outcome"" data-status=""0"">Your report is ready: <a href=""" & _
        Server.HTMLEncode(zip.zipfileDownloadHref) & """>" & Server.HTMLEncode(zip.zipFileName) & "</a></p>"
ElseIf IsEmpty(errorNumber) Then
    ' Busy: doZip leaves both variables as they were.
    Response.Write "<p id=""outcome"" data-status="""">Many reports are being made just now. " & _
        "Please try again in a minute.</p>"
Else
    Response.Write "<p id=""outcome"" data-status=""" & errorNumber & """>Sorry, the report could not be made. " & _
        "Error " & errorNumber & ": " & Server.HTMLEncode(errorText) & "</p>"
End If
%>
<p><a href="default.asp">All samples</a></p>
</body>
</html>
