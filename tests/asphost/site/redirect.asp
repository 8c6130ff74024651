<% Response.Write "gone"
Response.Redirect "/next.asp?a=1"
Response.Write "not reached" %>
