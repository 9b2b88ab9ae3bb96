# Read by cpack in a tree configured without the package layout: the paths
# compiled into such a server would not match the package's files.
message(FATAL_ERROR "this tree is not configured for packaging; run scripts/package")
