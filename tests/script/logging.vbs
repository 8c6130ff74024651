' The administrator's log: each failure is one line of the file that
' LogFile names (time, process, operation, page, status, message, path,
' reason), a success adds none, and a log that cannot be written changes
' no outcome.

Dim site, logPath, ctx, o, n, t, lines, fields, before

site = MakeFolder(gScratch & "\site")
MakeFolder site & "\dl"
MakeFile site & "\a.txt", "alpha"
logPath = gScratch & "\crateload.log"
SetPolicy "LogFile", logPath

Function LogLines()
    LogLines = Array()
    If Not gFso.FileExists(logPath) Then Exit Function
    Dim f, all
    Set f = gFso.OpenTextFile(logPath, 1)
    all = ""
    If Not f.AtEndOfStream Then all = f.ReadAll
    f.Close
    If Right(all, 2) = vbCrLf Then all = Left(all, Len(all) - 2)
    If Len(all) > 0 Then LogLines = Split(all, vbCrLf)
End Function

' The fields of the newest line, after checking that the call added exactly one.
Function NewestFields(name, countBefore)
    lines = LogLines()
    CheckEq name & ": one line added", UBound(lines) + 1, countBefore + 1
    NewestFields = Split(lines(UBound(lines)) & String(8, vbTab), vbTab)
End Function

Sub CheckLine(name, countBefore, operation, status, message, path, reasonEnd)
    fields = NewestFields(name, countBefore)
    Check name & ": time", Matches("^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d$", fields(0)), fields(0)
    Check name & ": process", Matches("^pid \d+$", fields(1)), fields(1)
    CheckEq name & ": operation", fields(2), operation
    CheckEq name & ": page", fields(3), "/tests/page.asp"
    CheckEq name & ": status", fields(4), status
    CheckEq name & ": message", fields(5), message
    CheckEq name & ": path", fields(6), path
    Check name & ": reason", Right(fields(7), Len(reasonEnd)) = reasonEnd, "[" & fields(7) & "] should end in " & reasonEnd
End Sub

Function Matches(pattern, value)
    Dim re
    Set re = New RegExp
    re.Pattern = pattern
    Matches = re.Test(value)
End Function

Function Ready()
    Set ctx = NewContext(site)
    Set o = NewComponent(ctx)
    o.sourceFileList = site & "\a.txt"
    o.zipFileName = "a.zip"
    o.virtualTargetRoot = "/dl"
    Set Ready = o
End Function

' A library failure names the file and the system's reason.
Ready
o.sourceFileList = site & "\a.txt|" & site & "\missing.txt"
before = UBound(LogLines()) + 1
CheckEq "missing source: doZip", o.doZip(n, t), False
CheckLine "missing source", before, "doZip", "159", "Filename not matched.", site & "\missing.txt", "(2)"

' The component's own checks name what they could not use.
Ready
o.virtualTargetRoot = "/no-such-folder"
before = UBound(LogLines()) + 1
o.doZip n, t
CheckLine "download root missing", before, "doZip", "27", "Cannot create unique physical directory.", _
    site & "\no-such-folder\", ")"

Ready
o.virtualTargetRoot = ""
before = UBound(LogLines()) + 1
CheckEq "deleteOldFiles without a root", o.deleteOldFiles(), 0
CheckLine "deleteOldFiles without a root", before, "deleteOldFiles", "24", _
    "Unique virtual target directory root not specified.", "-", "-"

' A root that names no folder removes nothing, and the page hears nothing
' of it, but the log names the root it tried: a typo is not silent forever.
Ready
o.virtualTargetRoot = "/downlods"
before = UBound(LogLines()) + 1
CheckEq "deleteOldFiles below a missing root: 0", o.deleteOldFiles(), 0
CheckEq "deleteOldFiles below a missing root: the page hears nothing", ctx.Response.Written, ""
CheckLine "deleteOldFiles below a missing root", before, "deleteOldFiles", "-", _
    "Nothing removed: the download root /downlods is not a folder", site & "\downlods\", "(2)"

' A physical root, which Server.MapPath refuses: the general error, and the
' log says why.
Ready
o.virtualTargetRoot = site & "\dl"
ctx.Server.Fails = True
before = UBound(LogLines()) + 1
CheckEq "deleteOldFiles with a physical root: 0", o.deleteOldFiles(), 0
CheckEq "deleteOldFiles with a physical root: the general error", ctx.Response.Written, _
    "<P><B>Error:</B> General error in deleteOldFiles() function.<P>" & vbCrLf
CheckLine "deleteOldFiles with a physical root", before, "deleteOldFiles", "29", _
    "virtualTargetRoot is a physical path, which Server.MapPath refuses; deleteOldFiles takes a path of the web site", _
    site & "\dl", "-"
ctx.Server.Fails = False

Ready
ctx.Server.EmptyFor = "/gone"
o.fileListRoot = "/gone"
before = UBound(LogLines()) + 1
CheckEq "fileListing of nothing", o.fileListing(), 0
CheckLine "fileListing of nothing", before, "fileListing", "33", "File list directory not found.", "/gone", "-"

' A setting refused by a switch, with no status of its own.
SetPolicy "AllowVirtualSourceOnly", "1"
Ready
before = UBound(LogLines()) + 1
o.sourceFileList = "C:\secret\*.*"
CheckLine "refused source", before, "sourceFileList", "-", "Refused: the switch AllowVirtualSourceOnly is on", _
    "C:\secret\*.*", "-"
ClearPolicy "AllowVirtualSourceOnly"

' What a visitor typed cannot forge a row or a line.
Ready
o.zipFileName = """" & vbCrLf & "x" & vbTab & "Status: 0" & vbLf & "y.zip"
before = UBound(LogLines()) + 1
o.doZip n, t
CheckLine "a forged name", before, "doZip", "151", "Invalid Zip file name.", _
    "<U+0022><U+000D><U+000A>x<U+0009>Status: 0<U+000A>y.zip", "-"

' A switch set the natural wrong way: the number 1 is on; any other value
' is off, and the log says once that it was not understood.
gShell.RegWrite PolicyBase & "AllowVirtualSourceOnly\", 1, "REG_DWORD"
Ready
o.sourceFileList = "C:\secret\*.*"
CheckEq "REG_DWORD 1 turns the switch on", o.sourceFileList, ""
gShell.RegWrite PolicyBase & "AllowVirtualSourceOnly\", 2, "REG_DWORD"
before = UBound(LogLines()) + 1
o.sourceFileList = "C:\secret\*.*"
o.sourceFileList = "C:\secret\*.*"
CheckEq "REG_DWORD 2 is off", o.sourceFileList, "C:\secret\*.*"
fields = NewestFields("REG_DWORD 2 is logged once", before)
CheckEq "REG_DWORD 2: the log says so", fields(5), _
    "Not understood, so the switch AllowVirtualSourceOnly is off: REG_DWORD 2; set it to the string 1 to turn it on"
ClearPolicy "AllowVirtualSourceOnly"

' A wait out of range is no wait at all, and is logged once.
SetPolicy "BusyWaitSeconds", "5000"
before = UBound(LogLines()) + 1
Ready
o.doZip n, t
Ready
o.doZip n, t
fields = NewestFields("BusyWaitSeconds 5000 is logged once", before)
CheckEq "BusyWaitSeconds 5000: the log says so", fields(5), _
    "Not understood, so doZip does not wait when the machine is busy: REG_SZ ""5000""; " & _
    "set it to a number of seconds from 0 to 60"
ClearPolicy "BusyWaitSeconds"

' Success is not logged.
Ready
before = UBound(LogLines()) + 1
CheckEq "success: doZip", o.doZip(n, t), True
CheckEq "success: nothing logged", UBound(LogLines()) + 1, before

' A log that cannot be written: a folder, and a file in a folder that does
' not exist. Every outcome stays as it would be without a log.
Dim unwritable
For Each unwritable In Array(site, gScratch & "\no\such\folder\crateload.log")
    SetPolicy "LogFile", unwritable
    Ready
    CheckEq "log at " & unwritable & ": success", o.doZip(n, t), True
    CheckEq "log at " & unwritable & ": ErrorNumber", n, 0
    Ready
    o.sourceFileList = site & "\missing.txt"
    CheckEq "log at " & unwritable & ": failure", o.doZip(n, t), False
    CheckEq "log at " & unwritable & ": its ErrorNumber", n, 159
    CheckEq "log at " & unwritable & ": its ErrorText", t, "Filename not matched."
Next
ClearPolicy "LogFile"
Done
