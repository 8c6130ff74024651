' lspzip --settings says what the component obeys. With values stored the
' ways administrators store them, in either registry view, each switch it
' calls on refuses its setting in the component and each it calls off lets
' it through; its busy flag folder is the component's getTempFilePath; a
' failure goes to the log file it names; and it finds the registered
' component and the library beside it. As a page, this runs lspzip as the
' page's own account, as the administrator's chapter does.

Dim lspzip, bin, view, report, ctx, o, n, t, logFile, name, refused

lspzip = gFso.OpenTextFile(gScratch & "\lspzip.txt").ReadLine
bin = Left(lspzip, InStrRev(lspzip, "\"))
view = "64-bit view"
If gArch = "x86" Then view = "32-bit view"
logFile = gScratch & "\crateload.log"

Sub RegAdd(name, arguments)
    RegTool "add """ & PolicyBase & name & """ /ve /f " & arguments
End Sub

RegAdd "AllowVirtualSourceOnly", "/d 1 /reg:32"
RegAdd "AllowVirtualFileListOnly", "/t REG_DWORD /d 1 /reg:64"
RegAdd "DisableIncludeSubdirectoryFiles", "/t REG_DWORD /d 2 /reg:64"
RegAdd "DisableIncludeSubdirectoryFiles", "/d 0 /reg:32"
RegAdd "DisableDeleteOriginalFiles", "/d ""1 "" /reg:64"
RegAdd "LogFile", "/t REG_EXPAND_SZ /d """ & gScratch & "\expanded.log"" /reg:64"
RegAdd "LogFile", "/d """ & logFile & """ /reg:32"
RegAdd "ZipEncryption", "/d AES256 /reg:32"

gShell.Run "cmd /c """"" & lspzip & """ --settings > """ & gScratch & "\settings.txt""""", 0, True
report = gFso.OpenTextFile(gScratch & "\settings.txt").ReadAll

Sub Says(label, text)
    Check "the report says " & label, InStr(report, text) > 0, "no line " & Printable(text) & " in " & gScratch & "\settings.txt"
End Sub

Set ctx = NewContext(gScratch)
Set o = NewComponent(ctx)
o.sourceFileList = "C:\data\*.*"
o.fileListRoot = "C:\data"
o.recurseDirs = True
o.deleteOriginalFiles = True
For Each name In Array("AllowVirtualSourceOnly", "AllowVirtualFileListOnly", "DisableIncludeSubdirectoryFiles", _
                       "DisableDeleteOriginalFiles")
    Select Case name
        Case "AllowVirtualSourceOnly": refused = (o.sourceFileList = "")
        Case "AllowVirtualFileListOnly": refused = (o.fileListRoot = "")
        Case "DisableIncludeSubdirectoryFiles": refused = Not o.recurseDirs
        Case "DisableDeleteOriginalFiles": refused = Not o.deleteOriginalFiles
    End Select
    If refused Then
        Says name & " is on, as the component finds it", vbLf & name & ": on" & vbLf
    Else
        Says name & " is off, as the component finds it", vbLf & name & ": off" & vbLf
    End If
Next
Says "the number 2 is not understood", "64-bit view: REG_DWORD 2, not understood"
Says "the cipher", vbLf & "ZipEncryption: AES-256" & vbLf
Says "the log file", vbLf & "LogFile: " & logFile & vbLf
Says "an expandable string is not read", "64-bit view: REG_EXPAND_SZ """ & gScratch & "\expanded.log"", not read"
Says "the component's busy flag folder", vbLf & "Busy flag folder: " & o.getTempFilePath() & vbLf
Says "where the component is registered", vbLf & "Component in the " & view & ": " & bin & "kbaycl20.dll, version "
Says "the library beside it", vbLf & "  its library: " & bin & "lspzipx.dll, version "

o.zipFileName = ""
o.doZip n, t
Check "a failure goes to the log file the report names", gFso.FileExists(logFile) And _
    Not gFso.FileExists(gScratch & "\expanded.log"), logFile
Done
