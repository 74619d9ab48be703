// DynamicLibrary: a library loaded at run time (dlopen) with its exported symbols;
// the library is closed when the object is destroyed.
#pragma once

#include <memory>
#include <string>

namespace zentar {

// A dlopen'ed library; closed when the last owner lets go.
class DynamicLibrary {
public:
    // Loads by path or by bare name (the system's search); empty on failure.
    static std::unique_ptr<DynamicLibrary> Load(const std::string& nameOrPath);
    ~DynamicLibrary();
    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;

    // The exported symbol, or nullptr.
    void* GetProcAddress(const char* symbol) const;
    const std::string& path() const { return path_; }

private:
    DynamicLibrary(void* handle, std::string path) : handle_(handle), path_(std::move(path)) {}
    void* handle_;
    std::string path_;
};

} // namespace zentar
