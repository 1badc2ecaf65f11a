// Compiled as if it were a file of one library: includes the one header GLIMMERHORN_PROBE_HEADER names.
#include GLIMMERHORN_PROBE_HEADER
