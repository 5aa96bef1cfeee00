#include "core/host_name.h"

#include <sys/utsname.h>
#include <unistd.h>

namespace tervolen {

std::string localHostName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) == 0 && name[0] != '\0')
        return name;
    utsname system{};
    return ::uname(&system) == 0 ? system.nodename : "";
}

} // namespace tervolen
