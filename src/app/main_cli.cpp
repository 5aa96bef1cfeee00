#include "app/cli.h"
#include "app/process_end.h"
#include "app/process_start.h"

#include <cstdio>
#include <exception>

int main(int argc, char** argv) {
    try {
        tervolen::hardenProcess();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tervolen-cli: error: %s\n", e.what());
        tervolen::endProcess(1);
    }
    tervolen::endProcess(tervolen::runCli(argc, argv));
}
