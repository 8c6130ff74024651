' A page that misbehaves: a Response that raises on Write or Flush, a
' context whose objects have gone, a context that is no context at all.
' Every operation still returns its result, writes what it can, leaves no
' busy flag and keeps the process alive to print "done".

Dim site, files, ctx, o, n, t, result, bare

site = MakeFolder(gScratch & "\site")
MakeFolder site & "\dl"
files = MakeFolder(site & "\files")
MakeFile files & "\a.txt", "alpha"

Function Zipper(context)
    Set o = CreateObject(ProgId)
    o.onStartPage (context)
    o.sourceFileList = files & "\a.txt"
    o.zipFileName = "out.zip"
    o.virtualTargetRoot = "/dl"
    n = 77
    t = ""
    Set Zipper = o
End Function

' -- Write and Flush raise: the archive is made all the same --------------
Set ctx = NewContext(site)
ctx.Response.Fails = True
ctx.Response.FlushFails = True
result = Zipper(ctx).doZip(n, t)
CheckEq "raising Write and Flush: doZip succeeds", n, 0
Check "raising Write and Flush: the archive is there", _
    gFso.FileExists(site & Replace(o.zipfileDownloadHref, "/", "\")), o.zipfileDownloadHref
CheckEq "raising Write and Flush: no busy flag", o.zipIsBusy, False
ctx.Response.Fails = False
result = o.fileListing("*.txt")
CheckEq "raising Flush: fileListing counts", result, 0
o.fileListRoot = files
CheckEq "raising Flush: fileListing lists", o.fileListing("*.txt"), 1

' -- the context's objects are gone ---------------------------------------
Set ctx = NewContext(site)
Set ctx.Response = Nothing
Set ctx.Server = Nothing
o.onStartPage (ctx)
o.sourceFileList = "/files/a.txt"
result = o.doZip(n, t)
CheckEq "no Response or Server: general error", n, 28
CheckEq "no Response or Server: no busy flag", o.zipIsBusy, False
o.virtualTargetRoot = "/dl"
CheckEq "no Server: deleteOldFiles gives 0", o.deleteOldFiles(), 0
o.fileListRoot = "/files"
CheckEq "no Server: fileListing gives 0", o.fileListing(), 0

' -- a context that is some other object ----------------------------------
Set bare = New FakeServer
bare.Root = site
Set o = Zipper(bare)
result = o.doZip(n, t)
CheckEq "a context that is no context: general error", n, 28
CheckEq "a context that is no context: no busy flag", o.zipIsBusy, False
Set o = Nothing
Done
