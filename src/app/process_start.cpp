#include "app/process_start.h"

#include "core/errors.h"

#include <cerrno>
#include <cstring>
#include <sys/resource.h>
#include <sys/stat.h>

namespace tervolen {

void hardenProcess() {
    ::umask(077);
    const rlimit noCore{0, 0};
    if (::setrlimit(RLIMIT_CORE, &noCore) != 0)
        throw Error(std::string("Cannot turn off core dumps. ") + std::strerror(errno));
}

} // namespace tervolen
