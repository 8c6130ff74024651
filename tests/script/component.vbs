' The object as a page sees it: defaults, the default member, the page
' writer, the page context, the temporary directory and the busy flag.

Dim o, ctx, ctx2, site, name, n, t, result, temp, tempBefore

site = MakeFolder(gScratch & "\site")

' -- creation and defaults ----------------------------------------------
Set o = CreateObject(ProgId)
CheckEq "compressionRate starts at 5", o.compressionRate, 5
CheckEq "daysOldToDelete starts at 2", o.daysOldToDelete, 2
CheckEq "recurseDirs starts false", o.recurseDirs, False
CheckEq "deleteOriginalFiles starts false", o.deleteOriginalFiles, False
CheckEq "hideResponse starts false", o.hideResponse, False
CheckEq "afterFileHTML starts as <BR> and a line break", o.afterFileHTML, "<BR>" & vbCrLf
CheckEq "sourceFileList starts empty", o.sourceFileList, ""
CheckEq "zipFileName starts empty", o.zipFileName, ""
CheckEq "encryptString starts empty", o.encryptString, ""
CheckEq "virtualTargetRoot starts empty", o.virtualTargetRoot, ""
CheckEq "fileListRoot starts empty", o.fileListRoot, ""
CheckEq "beforeFileHTML starts empty", o.beforeFileHTML, ""
CheckEq "zipfileDownloadHref starts empty", o.zipfileDownloadHref, ""
Check "getTempFilePath ends in a backslash", Right(o.getTempFilePath(), 1) = "\", o.getTempFilePath()

' -- the default member is the source list -------------------------------
o.sourceFileList = "/files/a.txt"
CheckEq "reading the object reads sourceFileList", "" & o, "/files/a.txt"

' -- no page at all: nothing is written and nothing is raised ------------
n = 7
result = o.doZip(n)
CheckEq "doZip without a page fails with the general error", n, 28
CheckEq "fileListing without a page returns 0", o.fileListing(), 0

' -- buffered output: one flush after every write ------------------------
Set ctx = NewContext(site)
Set o = NewComponent(ctx)
result = o.doZip(n, t)
CheckEq "an empty source is status 22", n, 22
CheckEq "three fragments are written", ctx.Response.Writes, 3
CheckEq "each write is followed by its flush", ctx.Response.Calls, "WFWFWF"
Check "every fragment ends in a line break", _
    UBound(Split(ctx.Response.Written, vbCrLf)) = 3 And Right(ctx.Response.Written, 2) = vbCrLf, _
    Printable(ctx.Response.Written)

' -- unbuffered output: no flush -----------------------------------------
ctx.Response.Reset
ctx.Response.Buffer = False
result = o.doZip(n, t)
CheckEq "unbuffered writes are not flushed", ctx.Response.Calls, "WWW"

' -- hideResponse silences the page while results stay set ---------------
ctx.Response.Reset
ctx.Response.Buffer = True
o.hideResponse = True
n = 0
t = ""
result = o.doZip(n, t)
CheckEq "hidden: nothing written", ctx.Response.Written, ""
CheckEq "hidden: no flush either", ctx.Response.Flushes, 0
CheckEq "hidden: status still set", n, 22
CheckEq "hidden: message still set", t, "Source file(s) not specified."
o.hideResponse = 1
result = o.doZip(n, t)
CheckEq "any non-zero value silences", ctx.Response.Written, ""
Check "hideResponse reads back as set", o.hideResponse <> 0, o.hideResponse
o.hideResponse = False

' -- a failing Response loses the fragment, not the call -----------------
ctx.Response.Fails = True
n = 0
result = o.doZip(n, t)
CheckEq "a Response that raises does not stop doZip", n, 22
ctx.Response.Fails = False

' -- a second onStartPage moves all later output -------------------------
Set ctx2 = NewContext(site)
ctx.Response.Reset
o.onStartPage (ctx2)
result = o.doZip(n, t)
CheckEq "the old page hears nothing", ctx.Response.Writes, 0
CheckEq "the new page gets the output", ctx2.Response.Writes, 3

' -- the temporary directory --------------------------------------------
MakeFolder "c:\temp"
If gFso.GetFolder("c:\temp").Files.Count > 0 Then gFso.DeleteFile "c:\temp\*.*", True
tempBefore = o.getTempFilePath()
Check "an empty c:\temp is passed over", LCase(tempBefore) <> "c:\temp\", tempBefore
MakeFile "c:\temp\keep.txt", "x"
CheckEq "c:\temp holding a file is taken", o.getTempFilePath(), "c:\temp\"
gFso.DeleteFile "c:\temp\keep.txt"
gFso.CreateFolder "c:\temp\only-a-folder"
Check "a folder alone does not count", LCase(o.getTempFilePath()) <> "c:\temp\", o.getTempFilePath()
gFso.DeleteFolder "c:\temp\only-a-folder"

' -- busy flags, as zipIsBusy sees them ----------------------------------
Set o = CreateObject(ProgId)
temp = o.getTempFilePath()
Sub ClearFlags()
    Dim f, names, one
    names = ""
    For Each f In gFso.GetFolder(temp).Files
        If Left(f.Name, 3) = "~cl" Then names = names & f.Name & "|"
    Next
    For Each one In Split(names, "|")
        If one <> "" Then gFso.DeleteFile temp & one, True
    Next
End Sub
ClearFlags
CheckEq "no flag: not busy", o.zipIsBusy, False

MakeFile temp & FlagName(-1), ""
CheckEq "a fresh flag: busy", o.zipIsBusy, True
Check "a fresh flag stays", gFso.FileExists(temp & FlagName(-1)) Or gFso.FileExists(temp & FlagName(-2)), temp
ClearFlags

MakeFile temp & FlagName(-90), ""
CheckEq "a stale flag: not busy", o.zipIsBusy, False
Check "a stale flag is removed", Not gFso.FileExists(temp & FlagName(-90)), FlagName(-90)

MakeFile temp & "~clabcd.~cl", ""
CheckEq "a malformed flag: not busy", o.zipIsBusy, False
Check "a malformed flag is not removed by a test", gFso.FileExists(temp & "~clabcd.~cl"), ""
ClearFlags

MakeFile temp & FlagName(-90), ""
MakeFile temp & FlagName(-1), ""
CheckEq "stale and fresh together: busy", o.zipIsBusy, True
Check "only the stale one goes", Not gFso.FileExists(temp & FlagName(-90)) And _
    (gFso.FileExists(temp & FlagName(-1)) Or gFso.FileExists(temp & FlagName(-2))), ""
ClearFlags

Done
