' doZip's checks, its busy refusal and its general error: every outcome that
' ends before the compression library is called, shown and hidden.

Dim site, dl, ctx, o, n, t, result, hidden, label, temp, flag, dirsBefore

site = MakeFolder(gScratch & "\site")
dl = MakeFolder(site & "\dl")
MakeFolder site & "\files"
MakeFile site & "\files\a.txt", "alpha"

' A component on a fresh page, set up to succeed unless a case spoils it.
Function Ready(hide)
    Set ctx = NewContext(site)
    Set o = NewComponent(ctx)
    o.hideResponse = hide
    o.sourceFileList = "/files/a.txt"
    o.zipFileName = "out.zip"
    o.virtualTargetRoot = "/dl"
    n = 77
    t = "untouched"
    Set Ready = o
End Function

Sub ExpectCheckFailure(name, code, message, hide)
    dirsBefore = CountFolders(dl)
    result = o.doZip(n, t)
    CheckEq label & name & ": result", result, False
    CheckEq label & name & ": ErrorNumber", n, code
    CheckEq label & name & ": ErrorNumber is an Integer", TypeName(n), "Integer"
    CheckEq label & name & ": ErrorText", t, message
    CheckEq label & name & ": no download address", o.zipfileDownloadHref, ""
    If code <> 27 Then CheckEq label & name & ": no directory made", CountFolders(dl), dirsBefore
    If hide Then
        CheckEq label & name & ": page", ctx.Response.Written, ""
    Else
        CheckEq label & name & ": page", ctx.Response.Written, _
            Page(Array(Banner, Credit, "<B>ERROR:</B> " & message & "<P>"))
    End If
End Sub

For Each hidden In Array(False, True)
    If hidden Then label = "hidden: " Else label = ""

    Ready hidden
    o.sourceFileList = ""
    ExpectCheckFailure "empty source", 22, "Source file(s) not specified.", hidden
    CheckEq label & "empty source: nothing mapped", ctx.Server.Mapped, ""

    Ready hidden
    ctx.Server.EmptyFor = "/nowhere.txt"
    o.sourceFileList = "/nowhere.txt"
    ExpectCheckFailure "source mapping to nothing", 22, "Source file(s) not specified.", hidden

    Ready hidden
    o.zipFileName = ""
    ExpectCheckFailure "no zip name", 23, "Target file not specified.", hidden

    Ready hidden
    o.zipFileName = ""
    o.virtualTargetRoot = ""
    ExpectCheckFailure "no zip name and no root", 24, "Unique virtual target directory root not specified.", hidden

    Ready hidden
    o.virtualTargetRoot = ""
    ExpectCheckFailure "no root", 24, "Unique virtual target directory root not specified.", hidden

    Ready hidden
    o.virtualTargetRoot = "C:\dl"
    ExpectCheckFailure "a drive root", 25, _
        "Unique target directory root must be specified as a virtual not a physical path.", hidden
    Ready hidden
    o.virtualTargetRoot = "dl\sub"
    ExpectCheckFailure "a backslash root", 25, _
        "Unique target directory root must be specified as a virtual not a physical path.", hidden

    Ready hidden
    ctx.Server.EmptyFor = "/dl"
    ExpectCheckFailure "a root mapping to nothing", 26, "Unique virtual target directory root not found.", hidden

    Ready hidden
    o.virtualTargetRoot = "/missing"
    ExpectCheckFailure "a root that does not exist", 27, "Cannot create unique physical directory.", hidden
Next

' -- a zip name must stay inside the new directory ------------------------
For Each flag In Array("..\escape.zip", "..", ".", "sub/name.zip", "c:name.zip", "name.zip:stream")
    Ready False
    o.zipFileName = flag
    ExpectCheckFailure "zip name " & flag, 151, "Invalid Zip file name.", False
Next
Check "nothing escaped the download root", Not gFso.FileExists(site & "\escape.zip"), site

' -- the source is mapped in place, and quoted when it holds a blank -------
Ready False
o.zipFileName = ""
result = o.doZip(n, t)
CheckEq "a virtual source is replaced by its mapping", o.sourceFileList, site & "\files\a.txt"
Ready False
o.sourceFileList = "/files with space/b.txt"
o.zipFileName = ""
result = o.doZip(n, t)
CheckEq "a mapping with a blank is quoted", o.sourceFileList, """" & site & "\files with space\b.txt"""
Ready False
o.sourceFileList = "C:\some dir\*.txt"
o.zipFileName = ""
result = o.doZip(n, t)
CheckEq "a physical source is left alone", o.sourceFileList, "C:\some dir\*.txt"
CheckEq "a physical source is not mapped", InStr(ctx.Server.Mapped, "some dir"), 0

' -- omitted out-parameters ----------------------------------------------
Ready False
o.zipFileName = ""
result = o.doZip()
CheckEq "doZip with no arguments still answers", result, False
result = o.doZip(n)
CheckEq "doZip with ErrorNumber alone sets it", n, 23

' -- busy: another operation holds a fresh flag --------------------------
For Each hidden In Array(False, True)
    If hidden Then label = "hidden: " Else label = ""
    Ready hidden
    temp = o.getTempFilePath()
    flag = temp & FlagName(-1)
    MakeFile flag, ""
    dirsBefore = CountFolders(dl)
    result = o.doZip(n, t)
    CheckEq label & "busy: result", result, False
    CheckEq label & "busy: ErrorNumber untouched", n, 77
    CheckEq label & "busy: ErrorText untouched", t, "untouched"
    ' Inherited quirk: the folder is made before the busy test and stays.
    CheckEq label & "busy: an empty directory is left (inherited quirk)", CountFolders(dl), dirsBefore + 1
    If hidden Then
        CheckEq label & "busy: page", ctx.Response.Written, ""
    Else
        CheckEq label & "busy: page", ctx.Response.Written, _
            Page(Array(Banner, Credit, "<P><B>Busy at present, please try again later.</B></P>"))
    End If
    Check label & "busy: the other operation's flag stays", gFso.FileExists(flag), flag
    gFso.DeleteFile flag
Next

' With a wait set, a flag that stays gets the same busy answer, once the
' wait has passed and not before.
Dim started, waited
SetPolicy "BusyWaitSeconds", "1"
Ready False
flag = o.getTempFilePath() & FlagName(-1)
MakeFile flag, ""
started = Timer
result = o.doZip(n, t)
waited = Timer - started
CheckEq "busy after the wait: result", result, False
CheckEq "busy after the wait: ErrorNumber untouched", n, 77
CheckEq "busy after the wait: page", ctx.Response.Written, _
    Page(Array(Banner, Credit, "<P><B>Busy at present, please try again later.</B></P>"))
Check "busy after the wait: it waited its second", waited >= 0.95 And waited < 10, waited
gFso.DeleteFile flag
ClearPolicy "BusyWaitSeconds"

' -- the general error ---------------------------------------------------
For Each hidden In Array(False, True)
    If hidden Then label = "hidden: " Else label = ""
    Ready hidden
    ctx.Server.Fails = True
    temp = o.getTempFilePath()
    flag = temp & FlagName(-1)
    MakeFile flag, ""
    result = o.doZip(n, t)
    CheckEq label & "MapPath raising: result", result, False
    CheckEq label & "MapPath raising: ErrorNumber", n, 28
    CheckEq label & "MapPath raising: ErrorText", t, "General error in doZip() function."
    If hidden Then
        CheckEq label & "MapPath raising: page", ctx.Response.Written, ""
    Else
        CheckEq label & "MapPath raising: page", ctx.Response.Written, _
            Page(Array(Banner, Credit, "<P><B>Error:</B> General error in doZip() function.<P>"))
    End If
    Check label & "the general error leaves another operation's flag", gFso.FileExists(flag), flag
    gFso.DeleteFile flag
Next

Set o = CreateObject(ProgId)
o.sourceFileList = "/files/a.txt"
o.zipFileName = "out.zip"
o.virtualTargetRoot = "/dl"
n = 0
result = o.doZip(n, t)
CheckEq "no page context: ErrorNumber", n, 28
CheckEq "no page context: ErrorText", t, "General error in doZip() function."

Done
