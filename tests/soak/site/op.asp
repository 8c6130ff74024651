<%@ LANGUAGE="VBScript" %>
<%
' One operation of the component per request, named by ?kind=. With
' ?control=1 a stand-in written in script takes the component's place, so
' that a run measures what the host and the script engine grow by alone.
Class StandIn
    Public hideResponse
    Public zipFileName
    Public virtualTargetRoot
    Public sourceFileList
    Public recurseDirs
    Public encryptString
    Public fileListRoot
    Public daysOldToDelete
    Public zipfileDownloadHref
    Public Function doZip(n, t)
        doZip = False
    End Function
    Public Function fileListing(pattern)
        fileListing = 2
    End Function
    Public Function deleteOldFiles()
        fso.DeleteFolder old, True
        deleteOldFiles = 1
    End Function
End Class

Dim zip, kind, n, t, fso, old, stream
kind = Request.QueryString("kind").Item
If Request.QueryString("control").Item = "1" Then
    Set zip = New StandIn
Else
    Set zip = Server.CreateObject("Kestrelbay.Crateload2")
End If
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
