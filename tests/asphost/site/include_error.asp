<p>top</p>
<!-- #include file="sub/broken.inc" -->
