<%
' Runs until Server.ScriptTimeout stops it.
Server.ScriptTimeout = 1
Dim i
Do
    i = i + 1
    If i Mod 100 = 0 Then Response.Write "."
Loop
%>
