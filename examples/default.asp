<!DOCTYPE html>
<html>
<head><title>Crateload 2 samples</title><link rel="stylesheet" href="style.css"></head>
<body>
<h1>Crateload 2 samples</h1>
<ul>
  <li><a href="zip.asp">Zip some files</a>: pick files, set a password, download the archive.</li>
  <li><a href="folder.asp">Zip a whole folder</a>: the sample folder with its subfolders, from a path of the site.</li>
  <li><a href="quiet.asp">Your report</a>: the component writes nothing into the page; the page words the outcome itself.</li>
  <li><a href="housekeeping.asp">Housekeeping</a>: remove old download folders; for signed-in accounts only, meant for a scheduled task (<code>schedule-housekeeping.cmd</code>).</li>
</ul>
</body>
</html>
