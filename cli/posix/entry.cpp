#include "run_tessmar.h"

int main(int argc, char** argv) { return RunTessmar(argc, argv); }
