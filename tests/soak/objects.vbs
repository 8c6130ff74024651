' Creates and releases objects in one process: 1,000 to warm up, then the
' rest. The runner reads the process's memory between the two, and at the
' end, each time after the script says where it is and waits for a go.
Dim fso, i, o, go
Set fso = CreateObject("Scripting.FileSystemObject")
go = WScript.Arguments(0)

Sub Pause(phase)
    WScript.Echo phase
    Do While Not fso.FileExists(go & "." & phase)
    Loop
End Sub

For i = 1 To 1000
    Set o = CreateObject("Kestrelbay.Crateload2")
    o.zipFileName = "name" & i
    Set o = Nothing
Next
Pause "warm"
For i = 1 To CLng(WScript.Arguments(1))
    Set o = CreateObject("Kestrelbay.Crateload2")
    o.zipFileName = "name" & i
    Set o = Nothing
Next
Pause "end"
WScript.Echo "done"
