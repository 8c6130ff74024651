' Zips a few of the project's own files through the registered component,
' with a small stand-in for an ASP page that prints what the component
' writes into it. Argument: the demo folder.
Option Explicit

Class DemoResponse
    Public Buffer
    Private Sub Class_Initialize()
        Buffer = False
    End Sub
    Public Sub Write(text)
        ' Every fragment ends in a line break, which Echo adds again.
        If Right(text, 2) = vbCrLf Then text = Left(text, Len(text) - 2)
        WScript.Echo text
    End Sub
    Public Sub Flush()
    End Sub
End Class

Class DemoServer
    Public Root
    Public Function MapPath(path)
        MapPath = Root & Replace(path, "/", "\")
    End Function
End Class

Class DemoContext
    Public Response
    Public Server
End Class

Dim folder, ctx, zip, n, t
folder = WScript.Arguments(0)
Set ctx = New DemoContext
Set ctx.Response = New DemoResponse
Set ctx.Server = New DemoServer
ctx.Server.Root = folder & "\site"

Set zip = CreateObject("Kestrelbay.Crateload2")
zip.onStartPage (ctx)
zip.sourceFileList = folder & "\files\*.*"
zip.zipFileName = "demo"
zip.virtualTargetRoot = "/downloads"
zip.compressionRate = 9
If zip.doZip(n, t) Then
    WScript.Echo "status " & n & ": " & t
    WScript.Echo "download address: " & zip.zipfileDownloadHref
    WScript.Echo "archive: " & folder & "\site" & Replace(zip.zipfileDownloadHref, "/", "\")
Else
    WScript.Echo "status " & n & ": " & t
End If
