#!/bin/sh
# A Plenwick projector. This line and the next start the player on this very file; the bytes
# after them are the movie and its trailer, which the player finds from the end of the file.
exec "${PLENWICK_PLAYER:-plenwick-player}" "$0" "$@"
