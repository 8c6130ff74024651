<%= Request.Form.Count %> fields, last <%= Request.Form("f" & (Request.Form.Count - 1)).Item %>
