<p>one</p>
<p>two</p>
<% Response.Write "never closed"
