' Shared by every script test: reporting, and test doubles for the page's
' ScriptingContext. The runner puts this file in front of each test script
' and passes the test's scratch folder and the architecture as arguments.
' Wine's VBScript has no Join, DateDiff, ChrW, AscW or WScript.Sleep.
Option Explicit

Dim gScratch, gArch, gFso, gShell
gScratch = WScript.Arguments(0)
gArch = WScript.Arguments(1)
Set gFso = CreateObject("Scripting.FileSystemObject")
Set gShell = CreateObject("WScript.Shell")

Const ProgId = "Kestrelbay.Crateload2"

' The fixed fragments every doZip writes.
Const Banner = "<P><B>Crateload 2 Compression Component</B><BR>"
Const Credit = "Compression by the lspzipx library.<BR>"
Const Progress = "Creating zip file, please wait ...<BR>"
Const PolicyBase = "HKLM\SOFTWARE\Kestrelbay\Crateload\"

Sub Check(name, condition, detail)
    If condition Then
        WScript.Echo "ok " & name
    Else
        WScript.Echo "not ok " & name & " # " & detail
    End If
End Sub

Sub CheckEq(name, actual, expected)
    Dim same
    same = False
    If VarType(actual) = VarType(expected) Or (IsNumeric(actual) And IsNumeric(expected)) Then
        same = (actual = expected)
    End If
    Check name, same, "expected [" & Printable(expected) & "] (" & TypeName(expected) & "), got [" & _
        Printable(actual) & "] (" & TypeName(actual) & ")"
End Sub

'' What the page receives for these fragments, each with its line break.
Function Page(fragments)
    Dim f
    Page = ""
    For Each f In fragments
        Page = Page & f & vbCrLf
    Next
End Function

Function Printable(value)
    Printable = Replace(Replace(CStr(value), vbCr, "\r"), vbLf, "\n")
End Function

' Tells the runner that the script reached its end.
Sub Done()
    WScript.Echo "done"
End Sub

' Asks the runner to check an archive with tools we did not write:
' entries is "name=physical path|..." of what it must hold, exactly.
Sub VerifyZip(name, zipPath, password, entries)
    WScript.Echo "verify-zip" & vbTab & name & vbTab & zipPath & vbTab & password & vbTab & entries
End Sub

' Records every call the component makes on the page's Response.
Class FakeResponse
    Public Buffer
    Public Written
    Public Calls
    Public Writes
    Public Flushes
    Public Fails
    Public FlushFails

    Private Sub Class_Initialize()
        FlushFails = False
        Buffer = True
        Written = ""
        Calls = ""
        Writes = 0
        Flushes = 0
        Fails = False
    End Sub

    Public Sub Write(text)
        If Fails Then Err.Raise 5, "Response.Write", "the client went away"
        Written = Written & text
        Calls = Calls & "W"
        Writes = Writes + 1
    End Sub

    Public Sub Flush()
        If FlushFails Then Err.Raise 5, "Response.Flush", "the client went away"
        Calls = Calls & "F"
        Flushes = Flushes + 1
    End Sub

    Public Sub Reset()
        Written = ""
        Calls = ""
        Writes = 0
        Flushes = 0
    End Sub
End Class

' Maps "/"-rooted and relative paths below Root; EmptyFor maps to "", and
' Fails makes every call raise an error.
Class FakeServer
    Public Root
    Public EmptyFor
    Public Fails
    Public Mapped

    Private Sub Class_Initialize()
        EmptyFor = Chr(0)
        Fails = False
        Mapped = ""
    End Sub

    Public Function MapPath(path)
        Mapped = Mapped & path & "|"
        If Fails Then Err.Raise 5, "Server.MapPath", "The Path parameter for the MapPath method did not map"
        If path = EmptyFor Then
            MapPath = ""
        ElseIf Left(path, 1) = "/" Then
            MapPath = Root & Replace(path, "/", "\")
        Else
            MapPath = Root & "\" & Replace(path, "/", "\")
        End If
        If Right(MapPath, 1) = "\" And Len(MapPath) > Len(Root) + 1 Then MapPath = Left(MapPath, Len(MapPath) - 1)
    End Function
End Class

' Answers the one server variable the component asks for.
Class FakeRequest
    Public ScriptName

    Public Function ServerVariables(name)
        ServerVariables = ""
        If UCase(name) = "SCRIPT_NAME" Then ServerVariables = ScriptName
    End Function
End Class

Class FakeContext
    Public Response
    Public Server
    Public Request
End Class

Function NewContext(root)
    Dim ctx
    Set ctx = New FakeContext
    Set ctx.Response = New FakeResponse
    Set ctx.Server = New FakeServer
    Set ctx.Request = New FakeRequest
    ctx.Server.Root = root
    ctx.Request.ScriptName = "/tests/page.asp"
    Set NewContext = ctx
End Function

' A component already started on a fresh page below root.
Function NewComponent(ctx)
    Dim o
    Set o = CreateObject(ProgId)
    o.onStartPage (ctx)
    Set NewComponent = o
End Function

Function MakeFolder(path)
    If Not gFso.FolderExists(path) Then gFso.CreateFolder path
    MakeFolder = path
End Function

Sub MakeFile(path, content)
    Dim f
    Set f = gFso.CreateTextFile(path, True)
    f.Write content
    f.Close
End Sub

Sub SetPolicy(name, value)
    gShell.RegWrite PolicyBase & name & "\", value, "REG_SZ"
End Sub

' Runs reg.exe of this architecture's view and waits for it.
Sub RegTool(arguments)
    gShell.Run "reg " & arguments, 0, True
End Sub

' Sets a DOS attribute: "+h", "+s", "+r". (Wine's Folder and File objects
' cannot set Attributes.)
Sub SetAttribute(path, flag)
    gShell.Run "attrib " & flag & " """ & path & """", 0, True
End Sub

Sub ClearPolicy(name)
    RegTool "delete """ & PolicyBase & name & """ /f"
End Sub

' The number of entries in folder whose name matches Like-style prefix.
Function CountFolders(path)
    CountFolders = gFso.GetFolder(path).SubFolders.Count
End Function

Function TwoDigits(n)
    TwoDigits = Right("0" & n, 2)
End Function

' The busy flag name for a time offset from now, in minutes.
Function FlagName(minutesFromNow)
    Dim t
    t = DateAdd("n", minutesFromNow, Now)
    FlagName = "~cl" & TwoDigits(Hour(t)) & TwoDigits(Minute(t)) & ".~cl"
End Function
