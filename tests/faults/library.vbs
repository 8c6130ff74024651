' The component with its library missing or short of a call: doZip reports
' 50, writes its page, clears the busy flag, and the process lives on to
' print "done". With a library that faults, the process ends in the first
' call and never prints it.

Dim site, ctx, o, n, t, result, round

site = MakeFolder(gScratch & "\site")
MakeFolder site & "\dl"
MakeFile site & "\a.txt", "alpha"

For round = 1 To 2
    Set ctx = NewContext(site)
    Set o = NewComponent(ctx)
    o.sourceFileList = site & "\a.txt"
    o.zipFileName = "out.zip"
    o.virtualTargetRoot = "/dl"
    n = 77
    result = o.doZip(n, t)
    CheckEq "call " & round & ": result", result, False
    CheckEq "call " & round & ": status", n, 50
    CheckEq "call " & round & ": text", t, "Operation aborted"
    Check "call " & round & ": the page is written", InStr(ctx.Response.Written, "<B>ERROR:</B> Operation aborted<P>") > 0, _
        Printable(ctx.Response.Written)
    CheckEq "call " & round & ": no busy flag", o.zipIsBusy, False
Next
Done
