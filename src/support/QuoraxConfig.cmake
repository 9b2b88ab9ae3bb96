# Package file of the Quorax support library: defines Quorax::support (the
# Config, Logging and Timing classes) and Quorax::common, which it needs.
include("${CMAKE_CURRENT_LIST_DIR}/QuoraxTargets.cmake")
