#!/bin/sh
# Linker launcher of the setup: links with no time stamp in the PE header, or
# with SOURCE_DATE_EPOCH's when that is set at link time (ld reads it itself).
# Either way the file does not depend on the moment it was built.
if [ -n "${SOURCE_DATE_EPOCH:-}" ]; then
  exec "$@" -Wl,--insert-timestamp
fi
exec "$@" -Wl,--no-insert-timestamp
