<%@ Language=JScript %>
<%
var s = "a%>b"; // a delimiter in a string stays in the string
var t = 'it\'s "%>"';
Response.Write(s + "|" + t + "|" + Server.MapPath("/files") + "|" + String(Request.QueryString("q")));
%>|<%= Server.HTMLEncode("<&>") %>
