<html>
<p>before</p>
<%
Dim p
p = Server.MapPath("../../outside")
Response.Write "not reached"
%>
