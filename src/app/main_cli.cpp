#include "app/cli.h"
#include "app/process_end.h"

int main(int argc, char** argv) {
    tervolen::EndProcess(tervolen::RunCli(argc, argv));
}
