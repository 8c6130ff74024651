<%@ LANGUAGE="VBScript" %>
<% Option Explicit %>
<%
Dim name, value, n
Response.ContentType = "text/plain"
Response.Write "dropped"
Response.Clear
Response.Write "buffer=" & Response.Buffer & vbCrLf
Response.Write "type=" & Response.ContentType & vbCrLf
Response.Write "html=" & Server.HTMLEncode("<a href=""x"">&'") & vbCrLf
Response.Write "url=" & Server.URLEncode("a b/c") & vbCrLf
Response.Write "map-rel=" & Server.MapPath("files/a.txt") & vbCrLf
Response.Write "map-root=" & Server.MapPath("/") & vbCrLf
Response.Write "map-up=" & Server.MapPath("sub/../files") & vbCrLf
Response.Write "q=" & Request.QueryString("q") & "|" & Request.QueryString("q").Count & "|" & Request.QueryString & vbCrLf
n = 0
For Each value In Request.Form("pick")
  n = n + 1
  Response.Write "pick" & n & "=" & value & vbCrLf
Next
Response.Write "form=" & Request.Form("pick") & "|" & Request.Form("missing") & "|" & Request.Form("missing").Count & vbCrLf
Response.Write "item=" & Request("q") & "/" & Request("pw") & vbCrLf
Response.Write "method=" & Request.ServerVariables("REQUEST_METHOD") & " script=" & Request.ServerVariables("SCRIPT_NAME") & vbCrLf
Session("count") = 41
Session("count") = Session("count") + 1
Application("site") = "demo"
Response.Write "session=" & Session("count") & " app=" & Application.Contents("site") & vbCrLf
%>
<!-- #include file="sub/footer.inc" -->
<% Response.End %>
after end
