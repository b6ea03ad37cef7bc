#!/bin/sh
# The offline program built for Node, called like the native one (for the pinned-picture check).
exec node "$(dirname "$0")/../../build-web/node/QX_Marrowtide.js" "$@"
