#!/bin/sh
# wine32-works.sh: exits 0 where this machine runs 32-bit Windows programs
# under Wine. Asks Debian's 32-bit Wine loader for its version: that runs
# 32-bit x86 code and loads Wine's 32-bit libraries, yet starts no Wine
# session, so a program started afterwards gets a session of its own.
exec /usr/lib/wine/wine --version >/dev/null 2>&1
