<%@ LANGUAGE="VBScript" %>
<%
' One operation of the component per request, named by ?kind=.
Dim zip, kind, n, t, fso, old, stream
kind = Request.QueryString("kind").Item
Set zip = Server.CreateObject("Kestrelbay.Crateload2")
Select Case kind
Case "zip", "zippw", "zipr"
    zip.hideResponse = True
    zip.zipFileName = kind & ".zip"
    zip.virtualTargetRoot = "/dl"
    If kind = "zipr" Then
        zip.sourceFileList = "/files"
        zip.recurseDirs = True
    Else
        zip.sourceFileList = "/files/*.txt"
    End If
    If kind = "zippw" Then zip.encryptString = "soak-pw"
    n = -1
    If zip.doZip(n, t) Then
        Response.Write "<p id=zipped>" & zip.zipfileDownloadHref & "</p>"
    ElseIf n = -1 Then
        Response.Write "<p id=busy></p>"
    Else
        Response.Write "<p id=failed>" & n & " " & t & "</p>"
    End If
Case "list"
    zip.hideResponse = True
    zip.fileListRoot = "/files"
    Response.Write "<p id=listed>" & zip.fileListing("*.txt") & "</p>"
Case "clean"
    ' An old download folder of its own beside the new ones, which the
    ' clean-up must take while zips go on around it.
    Set fso = Server.CreateObject("Scripting.FileSystemObject")
    old = Server.MapPath("/dl") & "\CL20200101-000000-" & (Request.QueryString("n").Item Mod 10000)
    fso.CreateFolder old
    Set stream = fso.CreateTextFile(old & "\old.txt")
    stream.Write "old"
    stream.Close
    zip.virtualTargetRoot = "/dl"
    zip.daysOldToDelete = 1
    n = zip.deleteOldFiles()
    Response.Write "<p id=cleaned>" & n & " " & fso.FolderExists(old) & "</p>"
End Select
%>
