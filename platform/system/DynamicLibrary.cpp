#include "platform/system/DynamicLibrary.h"

#include <dlfcn.h>

namespace zentar {

std::unique_ptr<DynamicLibrary> DynamicLibrary::Load(const std::string& nameOrPath) {
    void* handle = dlopen(nameOrPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        return nullptr;
    return std::unique_ptr<DynamicLibrary>(new DynamicLibrary(handle, nameOrPath));
}

DynamicLibrary::~DynamicLibrary() {
    if (handle_)
        dlclose(handle_);
}

void* DynamicLibrary::GetProcAddress(const char* symbol) const {
    return handle_ ? dlsym(handle_, symbol) : nullptr;
}

} // namespace zentar
