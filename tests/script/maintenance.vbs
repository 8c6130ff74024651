' deleteOldFiles and fileListing against real folders.

Dim site, dl, ctx, o, count, cwd, name, f, listed

site = MakeFolder(gScratch & "\site")
dl = MakeFolder(site & "\dl")

Function DateStamp(d)
    DateStamp = Year(d) & TwoDigits(Month(d)) & TwoDigits(Day(d))
End Function

Function Download(daysAgo)
    Download = "CL" & DateStamp(DateAdd("d", -daysAgo, Date)) & "-101500-" & (daysAgo + 17)
End Function

Function Exists(path)
    Exists = gFso.FolderExists(path) Or gFso.FileExists(path)
End Function

' -- deleteOldFiles ------------------------------------------------------
Dim lastMonthEnd, keepers
lastMonthEnd = DateSerial(Year(Date), Month(Date), 0)
MakeFolder dl & "\" & Download(5)
MakeFile dl & "\" & Download(5) & "\old.zip", "zip"
MakeFile dl & "\" & Download(5) & "\other.txt", "x"
MakeFolder dl & "\" & Download(2)
MakeFolder dl & "\" & Download(1)
MakeFolder dl & "\" & Download(0)
MakeFolder dl & "\" & Download(-3)
MakeFolder dl & "\" & Download(9)
MakeFolder dl & "\" & Download(9) & "\nested"
MakeFile dl & "\" & Download(9) & "\inside.zip", "zip"
MakeFolder dl & "\" & Download(12)
SetAttribute dl & "\" & Download(12), "+h"
MakeFile dl & "\" & Download(20), "a file, not a directory"
MakeFolder dl & "\cl" & DateStamp(DateAdd("d", -30, Date)) & "-000000-1"
MakeFolder dl & "\CL_archive_2020"
MakeFolder dl & "\CL20200101"
MakeFolder dl & "\CL20261340-000000-1"
MakeFolder dl & "\unrelated"
MakeFile dl & "\web.config", "<configuration />"

Set ctx = NewContext(site)
Set o = NewComponent(ctx)
o.virtualTargetRoot = "/dl"
o.daysOldToDelete = 2
cwd = gShell.CurrentDirectory
count = o.deleteOldFiles()
CheckEq "two directories are due and removed", count, 2
CheckEq "the count is an Integer", TypeName(count), "Integer"
CheckEq "success writes nothing", ctx.Response.Written, ""
CheckEq "the current directory is unchanged", gShell.CurrentDirectory, cwd
Check "5 days old: removed with its files", Not Exists(dl & "\" & Download(5)), Download(5)
Check "2 days old: removed", Not Exists(dl & "\" & Download(2)), Download(2)
Check "1 day old: kept", Exists(dl & "\" & Download(1)), Download(1)
Check "today: kept", Exists(dl & "\" & Download(0)), Download(0)
Check "in the future: kept", Exists(dl & "\" & Download(-3)), Download(-3)
Check "holding a subdirectory: kept", Exists(dl & "\" & Download(9) & "\nested"), Download(9)
Check "holding a subdirectory: its files are gone", Not Exists(dl & "\" & Download(9) & "\inside.zip"), ""
Check "hidden: kept", Exists(dl & "\" & Download(12)), Download(12)
Check "a file with a download name: kept", Exists(dl & "\" & Download(20)), Download(20)
Check "lower-case cl: kept", gFso.GetFolder(dl).SubFolders.Count >= 8, ""
Check "CL_archive_2020: kept", Exists(dl & "\CL_archive_2020"), ""
Check "ten characters: kept", Exists(dl & "\CL20200101"), ""
Check "an invalid date: kept", Exists(dl & "\CL20261340-000000-1"), ""
Check "an unrelated folder: kept", Exists(dl & "\unrelated"), ""

' Dated the last day of the previous month, and one day younger than the
' threshold: the yyyyMMdd numbers say due, the calendar says not yet.
MakeFolder dl & "\CL" & DateStamp(lastMonthEnd) & "-235959-4711"
o.daysOldToDelete = CLng(Date - lastMonthEnd) + 1
count = o.deleteOldFiles()
Check "a month's end does not make a directory due early", _
    Exists(dl & "\CL" & DateStamp(lastMonthEnd) & "-235959-4711"), "removed " & count
o.daysOldToDelete = CLng(Date - lastMonthEnd)
count = o.deleteOldFiles()
Check "it is due on the calendar day", Not Exists(dl & "\CL" & DateStamp(lastMonthEnd) & "-235959-4711"), ""

o.daysOldToDelete = 0
count = o.deleteOldFiles()
Check "threshold 0 removes today's directory", Not Exists(dl & "\" & Download(0)), ""
Check "the download folder's web.config is never touched", Exists(dl & "\web.config"), ""
Check "threshold 0 leaves the future alone", Exists(dl & "\" & Download(-3)), ""

o.virtualTargetRoot = ""
CheckEq "no root: 0", o.deleteOldFiles(), 0
CheckEq "no root: paragraph", ctx.Response.Written, _
    "<P><B>Error:</B> Unique virtual target directory root not specified.<P>" & vbCrLf
ctx.Response.Reset
o.virtualTargetRoot = "/gone"
ctx.Server.EmptyFor = "/gone"
CheckEq "root mapping to nothing: 0", o.deleteOldFiles(), 0
CheckEq "root mapping to nothing: paragraph", ctx.Response.Written, _
    "<P><B>Error:</B> Unique virtual target directory root not found.<P>" & vbCrLf
ctx.Response.Reset
ctx.Server.Fails = True
CheckEq "MapPath raising: 0", o.deleteOldFiles(), 0
CheckEq "MapPath raising: paragraph", ctx.Response.Written, _
    "<P><B>Error:</B> General error in deleteOldFiles() function.<P>" & vbCrLf
ctx.Server.Fails = False

' -- fileListing ---------------------------------------------------------
Dim list
list = MakeFolder(site & "\list")
MakeFile list & "\one.zip", "1"
MakeFile list & "\two.txt", "2"
MakeFile list & "\tom & jerry's.zip", "3"
MakeFile list & "\.dotfile", "4"
MakeFile list & "\hidden.zip", "5"
SetAttribute list & "\hidden.zip", "+h"
MakeFile list & "\system.zip", "6"
SetAttribute list & "\system.zip", "+s"
MakeFile list & "\readonly.txt", "7"
SetAttribute list & "\readonly.txt", "+r"
MakeFolder list & "\folder.zip"

ctx.Response.Reset
o.fileListRoot = "/list"
count = o.fileListing()
CheckEq "virtual root: ordinary, read-only and archive files", count, 4
CheckEq "the count is an Integer", TypeName(count), "Integer"
listed = ctx.Response.Written
Check "a plain name with the default after-text", _
    InStr(listed, "one.zip<BR>" & vbCrLf & vbCrLf) > 0, Printable(listed)
Check "a name is escaped", InStr(listed, "tom &amp; jerry&#39;s.zip<BR>") > 0, Printable(listed)
Check "no dot file, hidden, system file or folder", _
    InStr(listed, ".dotfile") = 0 And InStr(listed, "hidden") = 0 And InStr(listed, "system") = 0 And _
    InStr(listed, "folder") = 0, Printable(listed)

ctx.Response.Reset
o.beforeFileHTML = "<LI>"
o.afterFileHTML = "</LI>"
count = o.fileListing("*.zip")
CheckEq "a pattern lists only its matches", count, 2
Check "before and after are written verbatim", InStr(ctx.Response.Written, "<LI>one.zip</LI>" & vbCrLf) > 0, _
    Printable(ctx.Response.Written)

o.fileListRoot = list
CheckEq "a physical root is used as it is", o.fileListing(""), 4

ctx.Response.Reset
o.hideResponse = True
CheckEq "hidden page: still counted", o.fileListing(), 4
CheckEq "hidden page: nothing written", ctx.Response.Written, ""
o.hideResponse = False

o.fileListRoot = site & "\no such folder"
CheckEq "a missing folder: 0", o.fileListing(), 0
CheckEq "a missing folder: no output", ctx.Response.Written, ""

o.fileListRoot = ""
CheckEq "no root: 0", o.fileListing(), 0
CheckEq "no root: paragraph", ctx.Response.Written, "<P><B>Error:</B> File list directory not specified.<P>" & vbCrLf
ctx.Response.Reset
o.fileListRoot = "/gone"
CheckEq "root mapping to nothing: 0", o.fileListing(), 0
CheckEq "root mapping to nothing: paragraph", ctx.Response.Written, _
    "<P><B>Error:</B> File list directory not found.<P>" & vbCrLf
ctx.Response.Reset
o.fileListRoot = "/list"
ctx.Server.Fails = True
CheckEq "MapPath raising: 0", o.fileListing(), 0
CheckEq "MapPath raising: paragraph", ctx.Response.Written, _
    "<P><B>Error:</B> General error in fileListing() function.<P>" & vbCrLf

Done
