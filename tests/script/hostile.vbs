' Input from strangers: names that turn into separators, wildcards or
' control characters, links below the download root, lists and patterns
' that reach past the administrator's switches, and outcomes that lie.
' hostile.py makes the non-ASCII names and the links.

Dim site, dl, inner, files, uni, ctx, o, n, t, result, names, i, bad, label, before, count

site = MakeFolder(gScratch & "\site")
dl = site & "\dl"
inner = MakeFolder(dl & "\inner")
files = MakeFolder(site & "\files")
uni = site & "\uni"
MakeFile files & "\a.txt", "alpha"
MakeFile files & "\b.txt", "bravo"
names = Split(gFso.OpenTextFile(gScratch & "\names.txt", 1, False, -1).ReadAll, vbCrLf)

Function Ready(source, zipName, root)
    Set ctx = NewContext(site)
    Set o = NewComponent(ctx)
    o.sourceFileList = source
    o.zipFileName = zipName
    o.virtualTargetRoot = root
    n = 77
    t = "untouched"
    Set Ready = o
End Function

Function DirOf(address)
    Dim parts
    parts = Split(address, "/")
    DirOf = ""
    If UBound(parts) > 0 Then DirOf = parts(UBound(parts) - 1)
End Function

Sub Archive(name, path, password)
    WScript.Echo "hostile-archive" & vbTab & name & vbTab & path & vbTab & password
End Sub

' -- zip names that are not bare file names ------------------------------
Dim badNames
badNames = Array(names(0), names(1), names(2), names(3), names(4), "evil2.asp" & Chr(0) & ".zip", _
    "tab" & Chr(9) & ".zip", "del" & Chr(127) & ".zip", "dot.", "blank.zip ", "a:b.zip", "CON.zip")
For i = 0 To UBound(badNames)
    Ready "/files/a.txt", badNames(i), "/dl/inner"
    before = CountFolders(inner)
    result = o.doZip(n, t)
    label = "zip name " & i & " is refused"
    CheckEq label & ": ErrorNumber", n, 151
    CheckEq label & ": ErrorText", t, "Invalid Zip file name."
    CheckEq label & ": no directory made", CountFolders(inner), before
Next

' -- names and passwords outside the ANSI code page ----------------------
Ready uni & "\" & names(5), "uni.zip", "/dl"
o.deleteOriginalFiles = True
result = o.doZip(n, t)
CheckEq "a source outside the code page: zipped", n, 0
Check "a source outside the code page: no other file matched or deleted", _
    gFso.FileExists(uni & "\a.txt") And gFso.FileExists(uni & "\b.txt"), ""
Check "a source outside the code page: the file itself is deleted", Not gFso.FileExists(uni & "\" & names(5)), ""
Archive "unicode source", dl & "\" & DirOf(o.zipfileDownloadHref) & "\uni.zip", ""

Ready uni & "\?.txt", "cyrillic.zip", "/dl"
o.encryptString = names(6)
CheckEq "a Cyrillic password is kept as typed", o.encryptString, names(6)
result = o.doZip(n, t)
CheckEq "a Cyrillic password: zipped", n, 0
Archive "cyrillic password", dl & "\" & DirOf(o.zipfileDownloadHref) & "\cyrillic.zip", "cyrillic"

' -- a refused password never leaves an unencrypted archive --------------
Ready "/files/a.txt", "pw.zip", "/dl"
before = CountFolders(dl)
o.encryptString = "has blank"
result = o.doZip(n, t)
CheckEq "a refused password: ErrorNumber", n, 3
CheckEq "a refused password: ErrorText", t, "Failed to set encryption password."
CheckEq "a refused password: page", ctx.Response.Written, _
    Page(Array(Banner, Credit, "<B>ERROR:</B> Failed to set encryption password.<P>"))
CheckEq "a refused password: no directory made", CountFolders(dl), before
o.encryptString = ""
result = o.doZip(n, t)
CheckEq "an empty password afterwards: zipped without one", n, 0
o.encryptString = "good"
o.encryptString = String(66, "x")
result = o.doZip(n, t)
CheckEq "a refusal after a good password: refused", n, 3
CheckEq "a refusal after a good password: the good one is still read", o.encryptString, "good"
o.encryptString = "better"
result = o.doZip(n, t)
CheckEq "a good password after a refusal: zipped", n, 0

' -- the source list, item by item ---------------------------------------
SetPolicy "AllowVirtualSourceOnly", "1"
Ready "/files/a.txt|/files/b.txt", "list.zip", "/dl"
result = o.doZip(n, t)
CheckEq "virtual only: a list of virtual items zips", n, 0
CheckEq "virtual only: each item is mapped on its own, and the site once", ctx.Server.Mapped, _
    "/|/files/a.txt|/files/b.txt|/dl|"
CheckEq "virtual only: the mapped list", o.sourceFileList, files & "\a.txt|" & files & "\b.txt"
VerifyZip "virtual only: the archive", dl & "\" & DirOf(o.zipfileDownloadHref) & "\list.zip", "", _
    "a.txt=" & files & "\a.txt|b.txt=" & files & "\b.txt"
Ready "/files/a.txt|/outside.txt", "past.zip", "/dl"
result = o.doZip(n, t)
CheckEq "virtual only: an item after | is mapped inside the site", o.sourceFileList, _
    files & "\a.txt|" & site & "\outside.txt"
ClearPolicy "AllowVirtualSourceOnly"
Ready files & "\a.txt|/files/b.txt", "mixed.zip", "/dl"
result = o.doZip(n, t)
CheckEq "a physical and a virtual item: zipped", n, 0
Archive "mixed list", dl & "\" & DirOf(o.zipfileDownloadHref) & "\mixed.zip", ""

' -- dot segments, and items that leave the site once resolved -----------
' The page folds only an exact "..", and the full-path step reads "..." as
' one; with the switch on, nothing outside the site may go in or go away.
SetPolicy "AllowVirtualSourceOnly", "1"
For Each bad In Array("/.../outside/secret.txt", "/files/.../.../outside/secret.txt", "/files./a.txt", _
                      """/files/a.txt """, "/files/a.txt|/.../outside/secret.txt")
    Ready bad, "dots.zip", "/dl"
    o.deleteOriginalFiles = True
    before = CountFolders(dl)
    result = o.doZip(n, t)
    CheckEq "virtual only: " & bad & " is refused", n, 22
    CheckEq "virtual only: " & bad & " makes no directory", CountFolders(dl), before
Next
Check "virtual only: the file outside the site is still there", gFso.FileExists(gScratch & "\outside\secret.txt"), ""
Check "virtual only: the site's file is still there", gFso.FileExists(files & "\a.txt"), ""
ClearPolicy "AllowVirtualSourceOnly"
Ready "/.../outside/secret.txt", "dots.zip", "/dl"
result = o.doZip(n, t)
CheckEq "dot segments are refused with the switch off too", n, 22
Ready "/files/a.txt", "dots.zip", "/.../outside"
result = o.doZip(n, t)
CheckEq "a download root with dot segments is not found", n, 26
Set ctx = NewContext(site)
Set o = NewComponent(ctx)
o.virtualTargetRoot = "/dl/..."
count = o.deleteOldFiles()
CheckEq "clean-up below a root with dot segments: nothing", count, 0
SetPolicy "AllowVirtualFileListOnly", "1"
Set ctx = NewContext(site)
Set o = NewComponent(ctx)
o.fileListRoot = "/.../outside"
count = o.fileListing()
CheckEq "virtual list only: a root with dot segments lists nothing", count, 0
ClearPolicy "AllowVirtualFileListOnly"

' -- names from a listing that Windows cannot hold ------------------------
Ready site & "\weird\*.*", "weird.zip", "/dl"
o.deleteOriginalFiles = True
result = o.doZip(n, t)
Check "a listed name holding \..\ is refused", n <> 0, n
Check "a listed name holding \..\: the file it spells is kept", gFso.FileExists(gScratch & "\outside\secret.txt"), ""
Ready site & "\odd\*.*", "odd.zip", "/dl"
result = o.doZip(n, t)
WScript.Echo "hostile-odd" & vbTab & n & vbTab & dl & "\" & DirOf(o.zipfileDownloadHref) & "\odd.zip"

' -- archive names the server would run, and passwords cut short ---------
For Each bad In Array("evil.asp", "evil.ASPX", "web.config", "x.shtml", "x.svg", "x.html", "x.js", "evil.asp;.zip", _
                      ".zip", ".hidden.zip")
    Ready "/files/a.txt", bad, "/dl"
    before = CountFolders(dl)
    result = o.doZip(n, t)
    CheckEq "zip name " & bad & " is refused", n, 151
    CheckEq "zip name " & bad & ": no directory made", CountFolders(dl), before
Next
For Each bad In Array("report.zip", "data.tar", "report")
    Ready "/files/a.txt", bad, "/dl"
    result = o.doZip(n, t)
    CheckEq "zip name " & bad & " still works", n, 0
Next
Ready "/files/a.txt", "cut.zip", "/dl"
o.encryptString = "x" & Chr(0) & "Correct-Horse"
result = o.doZip(n, t)
CheckEq "a password holding NUL is refused", n, 3
o.encryptString = "tab" & Chr(9) & "word"
CheckEq "a password holding a tab is refused: the NUL one is not kept either", o.encryptString, ""

' -- listing patterns ----------------------------------------------------
SetPolicy "AllowVirtualFileListOnly", "1"
For Each bad In Array("..\..\*", "../*", "sub/*.txt", "C:*", "..", "...", "*.txt ")
    Set ctx = NewContext(site)
    Set o = NewComponent(ctx)
    o.fileListRoot = "/files"
    count = o.fileListing(bad)
    CheckEq "virtual list only: pattern " & bad & " lists nothing", count, 0
    CheckEq "virtual list only: pattern " & bad & " is refused", ctx.Response.Written, _
        Page(Array("<P><B>Error:</B> Permission to list files from a physical path denied.</P>"))
Next
count = o.fileListing("*.txt")
CheckEq "virtual list only: a plain pattern still lists", count, 2
ClearPolicy "AllowVirtualFileListOnly"

' -- the download address ------------------------------------------------
Ready "/files/a.txt", "slash.zip", "//dl"
result = o.doZip(n, t)
CheckEq "leading slashes collapse to one", Left(o.zipfileDownloadHref, 4), "/dl/"

' -- deleteOldFiles: links, leftovers and look-alike names ---------------
Set ctx = NewContext(site)
Set o = NewComponent(ctx)
o.virtualTargetRoot = "/dl"
o.daysOldToDelete = 2
count = o.deleteOldFiles()
CheckEq "clean-up: only the real download folder with our leftovers counts", count, 1
Check "clean-up: the library's temporary file goes with its folder", Not gFso.FolderExists(dl & "\CL20200101-101500-3"), ""
Check "clean-up: a hidden file of someone else keeps its folder", gFso.FolderExists(dl & "\CL20200101-101500-4"), ""
Check "clean-up: a folder holding a file link stays", gFso.FolderExists(dl & "\CL20200101-101500-2"), ""
For Each bad In Array("CL20200101_my_archive", "CL20200101-101500-017", "CL20200101-101500-10000", _
                      "CL20200101-101500", "CL20200101-246000-1")
    Check "clean-up: " & bad & " is not ours", gFso.FileExists(dl & "\" & bad & "\important.doc"), ""
Next

Done
