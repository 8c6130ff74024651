<%@ LANGUAGE="VBScript" %>
<% Option Explicit %>
<!-- #include file="site.inc" -->
<!DOCTYPE html>
<html>
<head><title>Zip a whole folder</title><link rel="stylesheet" href="style.css"></head>
<body>
<h1>Zip a whole folder</h1>
<%
Dim zip, done, errorNumber, errorText

If Request.ServerVariables("REQUEST_METHOD") = "POST" Then
    Set zip = Server.CreateObject("Kestrelbay.Crateload2")
    ' A path of the site, not of the disk: the component maps it through
    ' Server.MapPath. A folder named on its own stands for everything in it;
    ' with recurseDirs each file keeps its path below the folder, and an
    ' empty folder is kept as a folder entry.
    zip.sourceFileList = SampleFolder
    zip.recurseDirs = True
    zip.zipFileName = "samples.zip"
    zip.virtualTargetRoot = DownloadRoot
    zip.encryptString = Request.Form("password").Item
    Response.Write "<div class=""result"">" & vbCrLf
    done = zip.doZip(errorNumber, errorText)
    Response.Write "<p id=""outcome"" data-status=""" & errorNumber & """>"
    If done And Not zip.recurseDirs Then
        ' The switch DisableIncludeSubdirectoryFiles refused recurseDirs.
        Response.Write "The folder's own files are zipped" & EncryptionNote(zip.encryptString) & _
            "; subfolders are not allowed on this server."
    ElseIf done Then
        Response.Write "The whole folder is zipped" & EncryptionNote(zip.encryptString) & "."
    ElseIf IsEmpty(errorNumber) Then
        Response.Write "The zipper is busy; try again in a moment."
    Else
        Response.Write "Zipping failed: " & Server.HTMLEncode(errorText)
    End If
    Response.Write "</p>" & vbCrLf & "</div>" & vbCrLf
End If
%>
<form method="post" action="folder.asp">
<p>Zips the sample folder with its subfolders, each file under its path.</p>
<p><label>Password (optional, no blanks): <input type="password" name="password"></label></p>
<p><button type="submit">Zip the folder</button></p>
</form>
<p><a href="default.asp">All samples</a></p>
</body>
</html>
