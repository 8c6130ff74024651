' One doZip, as a page calls it: zips a physical folder, recursively, into
' a new download folder below the folder given as the site's root, and
' prints the status. A stand-in context maps the virtual root "/".
'   cscript dozip.vbs SOURCE_FOLDER SITE_ROOT RATE
Class StandInServer
    Public Root
    Public Function MapPath(path)
        MapPath = Root
    End Function
End Class

Class StandInResponse
    Public Buffer
    Public Sub Write(text)
    End Sub
    Public Sub Flush()
    End Sub
End Class

Class StandInContext
    Public Server
    Public Response
End Class

Dim ctx, zip, n, t
Set ctx = New StandInContext
Set ctx.Server = New StandInServer
ctx.Server.Root = WScript.Arguments(1)
Set ctx.Response = New StandInResponse
ctx.Response.Buffer = False

Set zip = CreateObject("Kestrelbay.Crateload2")
zip.onStartPage (ctx)
zip.sourceFileList = WScript.Arguments(0) & "\*.*"
zip.recurseDirs = True
zip.compressionRate = CInt(WScript.Arguments(2))
zip.zipFileName = "bench.zip"
zip.virtualTargetRoot = "/"
n = -1
t = ""
zip.doZip n, t
WScript.Echo "status " & n & " " & t & " " & zip.zipfileDownloadHref
