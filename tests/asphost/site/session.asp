<% Session("visits") = Session("visits") + 1 : Response.Write "visits=" & Session("visits") %>
