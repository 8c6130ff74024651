/* The release number every binary carries in its version resource. The
   resource scripts include this file; lspzip --version reads its own
   resource back, and tools/package.sh names the package after it. */
#pragma once

#define KB_RELEASE_NUMBERS 2,2,0,1
#define KB_RELEASE_TEXT "2.02.0001"
