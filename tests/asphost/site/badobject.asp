<%
Set x = Server.CreateObject("No.Such.Thing")
%>
