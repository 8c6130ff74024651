<%
' The sample site's housekeeping with days=0: every download folder of
' today is due, the ones being written included.
Dim zip
Set zip = Server.CreateObject("Kestrelbay.Crateload2")
zip.virtualTargetRoot = "/dl"
zip.daysOldToDelete = 0
Response.Write "<p id=removed>" & zip.deleteOldFiles() & "</p>"
%>
