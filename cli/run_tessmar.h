// The whole of tessmar behind each system's own entry point, which hands
// it the arguments as bytes: as given on POSIX systems, converted from the
// wide command line on Windows.
#pragma once

// Runs tessmar with `argc` arguments (argv[0] the program's name) and
// returns its exit status.
int RunTessmar(int argc, char** argv);
