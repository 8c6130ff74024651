<%@ LANGUAGE="VBScript" %>
<% Option Explicit %>
<!-- #include file="site.inc" -->
<!DOCTYPE html>
<html>
<head><title>Zip some files</title><link rel="stylesheet" href="style.css"></head>
<body>
<h1>Zip some files</h1>
<%
Dim zip, picked, name, sources, count, done, errorNumber, errorText

If Request.ServerVariables("REQUEST_METHOD") = "POST" Then
    ' Each ticked file becomes one quoted item of the source list, a path of
    ' the site: the switch AllowVirtualSourceOnly refuses a physical path.
    sources = ""
    picked = ""
    count = 0
    For Each name In Request.Form("file")
        If IsSampleFile(name) Then
            If count > 0 Then sources = sources & "|"
            sources = sources & """" & SampleFolder & "/" & name & """"
            picked = picked & "<li>" & Server.HTMLEncode(name) & "</li>"
            count = count + 1
        End If
    Next

    Response.Write "<div class=""result"">" & vbCrLf
    If count = 0 Then
        Response.Write "<p>Tick at least one file.</p>" & vbCrLf
    Else
        Set zip = Server.CreateObject("Kestrelbay.Crateload2")
        zip.sourceFileList = sources
        zip.zipFileName = "selection.zip"
        zip.virtualTargetRoot = DownloadRoot
        zip.encryptString = Request.Form("password").Item
        ' The component writes its progress, its result and the download
        ' link into this page as it goes.
        done = zip.doZip(errorNumber, errorText)
        Response.Write "<p id=""outcome"" data-status=""" & errorNumber & """>"
        If done Then
            Response.Write count & " file(s) zipped" & EncryptionNote(zip.encryptString) & ":</p>" & vbCrLf
            Response.Write "<ul id=""zipped"">" & picked & "</ul>" & vbCrLf
        ElseIf IsEmpty(errorNumber) Then
            Response.Write "The zipper is busy; try again in a moment.</p>" & vbCrLf
        Else
            Response.Write "Zipping failed: " & Server.HTMLEncode(errorText) & "</p>" & vbCrLf
        End If
    End If
    Response.Write "</div>" & vbCrLf
End If
%>
<form method="post" action="zip.asp">
<p>Files in the sample folder:</p>
<ul class="files">
<%
Set zip = Server.CreateObject("Kestrelbay.Crateload2")
zip.fileListRoot = SampleFolder
zip.beforeFileHTML = "<li><label><input type=""checkbox"" name=""file"" value="""
zip.afterFileHTML = """></label></li>"
count = zip.fileListing()
%>
</ul>
<script>
// The listing writes each name once, as the box's value; show it beside the box too.
for (const box of document.querySelectorAll('input[name="file"]')) box.after(' ' + box.value);
</script>
<p><label>Password (optional, no blanks): <input type="password" name="password"></label></p>
<p><button type="submit">Zip</button> <%= count %> file(s) to choose from.</p>
</form>
<p><a href="default.asp">All samples</a></p>
</body>
</html>
