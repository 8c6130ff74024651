<!DOCTYPE html>
<html>
<head><title>Crateload 2 samples</title><link rel="stylesheet" href="style.css"></head>
<body>
<h1>Crateload 2 samples</h1>
<ul>
  <li><a href="zip.asp">Zip some files</a>: pick files, set a password, download the archive.</li>
  <li><a href="housekeeping.asp">Housekeeping</a>: remove old download folders.</li>
</ul>
</body>
</html>
