#pragma once

#include <dlfcn.h>
#include <stdexcept>
#include <string>

namespace tervolen::test {

// The object that the stand-in library at path hands out from its function accessor. The library is loaded (or
// found loaded) here and stays loaded, so the object is the one the code under test sees.
template <class State> State& loadedLibraryState(const std::string& path, const char* accessor) {
    void* library = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr)
        throw std::runtime_error(::dlerror());
    auto stateOf = reinterpret_cast<State* (*)()>(::dlsym(library, accessor));
    if (stateOf == nullptr)
        throw std::runtime_error(std::string("no ") + accessor + " in " + path);
    return *stateOf();
}

} // namespace tervolen::test
