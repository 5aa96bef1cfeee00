#include "app/cli.h"

int main(int argc, char** argv) { return tervolen::RunCli(argc, argv); }
