' Every property's acceptance rules, and the administrator's switches set
' for real in the registry.

Dim o, ctx, site, otherView, before

site = MakeFolder(gScratch & "\site")
Set ctx = NewContext(site)
Set o = NewComponent(ctx)

' -- zipFileName gains .zip only without a dot ---------------------------
o.zipFileName = "report"
CheckEq "a name without a dot gains .zip", o.zipFileName, "report.zip"
o.zipFileName = "report.ZIP"
CheckEq "a name with a dot stays", o.zipFileName, "report.ZIP"
o.zipFileName = "archive.tar"
CheckEq "any extension stays", o.zipFileName, "archive.tar"
o.zipFileName = "ends."
CheckEq "a trailing dot stays", o.zipFileName, "ends."
o.zipFileName = ""
CheckEq "an empty name stays empty", o.zipFileName, ""

' -- the two 16-bit properties -------------------------------------------
o.compressionRate = 0
CheckEq "rate 0 is stored", o.compressionRate, 0
o.compressionRate = 9
CheckEq "rate 9 is stored", o.compressionRate, 9
o.compressionRate = 10
CheckEq "rate 10 is ignored", o.compressionRate, 9
o.compressionRate = -1
CheckEq "rate -1 is ignored", o.compressionRate, 9
o.daysOldToDelete = 0
CheckEq "0 days is stored", o.daysOldToDelete, 0
o.daysOldToDelete = 32767
CheckEq "32767 days is stored", o.daysOldToDelete, 32767
o.daysOldToDelete = -1
CheckEq "-1 days is ignored", o.daysOldToDelete, 32767
CheckEq "silent refusals write nothing", ctx.Response.Written, ""

' Values automation cannot convert are type errors of the call itself.
On Error Resume Next
Err.Clear
o.compressionRate = 40000
Check "a rate beyond 16 bits is an error of the call", Err.Number <> 0, "no error"
Err.Clear
o.compressionRate = "fast"
Check "a rate that is no number is an error of the call", Err.Number <> 0, "no error"
Err.Clear
o.recurseDirs = "perhaps"
Check "a flag that is no Boolean is an error of the call", Err.Number <> 0, "no error"
Err.Clear
o.zipfileDownloadHref = "x"
Check "zipfileDownloadHref is read-only", Err.Number <> 0, "no error"
Err.Clear
o.zipIsBusy = True
Check "zipIsBusy is read-only", Err.Number <> 0, "no error"
On Error GoTo 0
CheckEq "the failed sets left the rate", o.compressionRate, 9
CheckEq "the failed sets left recurseDirs", o.recurseDirs, False

' -- encryptString -------------------------------------------------------
o.encryptString = String(65, "p")
CheckEq "65 characters are stored", o.encryptString, String(65, "p")
o.encryptString = String(66, "q")
CheckEq "66 characters are ignored", o.encryptString, String(65, "p")
o.encryptString = "has blank"
CheckEq "a blank is refused", o.encryptString, String(65, "p")
o.encryptString = "tab" & vbTab & "no"
CheckEq "a tab is refused, as every control character is", o.encryptString, String(65, "p")
o.encryptString = ""
CheckEq "empty turns encryption off", o.encryptString, ""

' -- no switches at all --------------------------------------------------
o.sourceFileList = "C:\data\*.*"
o.fileListRoot = "C:\data"
o.recurseDirs = True
o.deleteOriginalFiles = True
CheckEq "no switch: physical source stored", o.sourceFileList, "C:\data\*.*"
CheckEq "no switch: physical list root stored", o.fileListRoot, "C:\data"
CheckEq "no switch: recursion stored", o.recurseDirs, True
CheckEq "no switch: deletion stored", o.deleteOriginalFiles, True
CheckEq "no switch: nothing written", ctx.Response.Written, ""

' -- each switch on ------------------------------------------------------
SetPolicy "AllowVirtualSourceOnly", "1"
o.sourceFileList = "/site/files/a.txt"
CheckEq "virtual source accepted", o.sourceFileList, "/site/files/a.txt"
CheckEq "virtual source: no output", ctx.Response.Written, ""
o.sourceFileList = "C:\data\*.*"
CheckEq "a drive path is refused and erases the value", o.sourceFileList, ""
CheckEq "the source refusal paragraph", ctx.Response.Written, _
    "<P><B>Error:</B> Permission to use physical source directory paths denied.</P>" & vbCrLf
o.sourceFileList = "/ok"
o.sourceFileList = "files\a.txt"
CheckEq "a relative backslash path is refused too", o.sourceFileList, ""

ctx.Response.Reset
SetPolicy "AllowVirtualFileListOnly", "1"
o.fileListRoot = "/downloads"
CheckEq "virtual list root accepted", o.fileListRoot, "/downloads"
o.fileListRoot = "D:"
CheckEq "a physical list root is refused", o.fileListRoot, ""
CheckEq "the list refusal paragraph", ctx.Response.Written, _
    "<P><B>Error:</B> Permission to list files from a physical path denied.</P>" & vbCrLf

ctx.Response.Reset
SetPolicy "DisableIncludeSubdirectoryFiles", "1"
o.recurseDirs = True
CheckEq "recursion refused", o.recurseDirs, False
CheckEq "the recursion refusal paragraph", ctx.Response.Written, _
    "<P><B>Error:</B> Permission to include subdirectory contents denied.</P>" & vbCrLf
ctx.Response.Reset
o.recurseDirs = False
CheckEq "false is accepted silently", ctx.Response.Written, ""

SetPolicy "DisableDeleteOriginalFiles", "1"
o.deleteOriginalFiles = True
CheckEq "deletion refused", o.deleteOriginalFiles, False
CheckEq "the deletion refusal paragraph", ctx.Response.Written, _
    "<P><B>Error:</B> Permission to delete original files denied.</P>" & vbCrLf

' A refusal while the page is hidden still takes effect, silently.
ctx.Response.Reset
o.hideResponse = True
o.sourceFileList = "/before"
o.sourceFileList = "C:\x"
CheckEq "hidden refusal still erases", o.sourceFileList, ""
CheckEq "hidden refusal writes nothing", ctx.Response.Written, ""
o.hideResponse = False

' -- settings that are not exactly 1 -------------------------------------
SetPolicy "AllowVirtualSourceOnly", "1 "
o.sourceFileList = "C:\a"
CheckEq """1 "" is off", o.sourceFileList, "C:\a"
SetPolicy "AllowVirtualSourceOnly", "01"
o.sourceFileList = "C:\b"
CheckEq """01"" is off", o.sourceFileList, "C:\b"
SetPolicy "AllowVirtualSourceOnly", "yes"
o.sourceFileList = "C:\c"
CheckEq """yes"" is off", o.sourceFileList, "C:\c"

' -- the setting counts from the next set on ------------------------------
SetPolicy "AllowVirtualSourceOnly", "1"
o.sourceFileList = "C:\d"
CheckEq "switched on: refused", o.sourceFileList, ""
SetPolicy "AllowVirtualSourceOnly", "0"
o.sourceFileList = "C:\e"
CheckEq "switched off again: accepted", o.sourceFileList, "C:\e"

' -- a named value under the base key is not a switch --------------------
ClearPolicy "DisableIncludeSubdirectoryFiles"
gShell.RegWrite PolicyBase & "DisableIncludeSubdirectoryFiles", "1", "REG_SZ"
o.recurseDirs = True
CheckEq "a named value has no effect", o.recurseDirs, True
RegTool "delete """ & Left(PolicyBase, Len(PolicyBase) - 1) & """ /v DisableIncludeSubdirectoryFiles /f"

' -- a switch set only in the other registry view still applies ----------
If gArch = "x64" Then otherView = "32" Else otherView = "64"
ClearPolicy "DisableIncludeSubdirectoryFiles"
RegTool "add """ & PolicyBase & "DisableIncludeSubdirectoryFiles"" /ve /d 1 /f /reg:" & otherView
o.recurseDirs = True
CheckEq "a switch in the other view applies", o.recurseDirs, False
RegTool "delete ""HKLM\SOFTWARE\Kestrelbay"" /f /reg:" & otherView

ClearPolicy "AllowVirtualSourceOnly"
ClearPolicy "AllowVirtualFileListOnly"
ClearPolicy "DisableIncludeSubdirectoryFiles"
ClearPolicy "DisableDeleteOriginalFiles"

' -- a refused source shows up later as no source ------------------------
SetPolicy "AllowVirtualSourceOnly", "1"
Dim n, t
o.sourceFileList = "C:\x"
o.zipFileName = "a.zip"
o.virtualTargetRoot = "/dl"
n = 0
before = o.doZip(n, t)
CheckEq "doZip after a refusal reports no source", n, 22
ClearPolicy "AllowVirtualSourceOnly"

Done
