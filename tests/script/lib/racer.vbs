' One of two processes that call doZip at the same instant. Arguments:
' scratch folder, architecture, the file whose appearance starts the race,
' and this racer's name.
Dim racerCtx, racer, go, racerName, racerResult, racerNumber, racerText
go = WScript.Arguments(2)
racerName = WScript.Arguments(3)
Set racerCtx = NewContext(gScratch & "\site")
Set racer = NewComponent(racerCtx)
racer.sourceFileList = gScratch & "\site\big\*.*"
racer.zipFileName = racerName & ".zip"
racer.virtualTargetRoot = "/dl"
racer.compressionRate = 9
racerNumber = -1
racerText = "untouched"
Do While Not gFso.FileExists(go)
Loop
racerResult = racer.doZip(racerNumber, racerText)
WScript.Echo "result" & vbTab & racerName & vbTab & racerResult & vbTab & racerNumber & vbTab & _
    racer.zipfileDownloadHref
Done
