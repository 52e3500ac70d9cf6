#include "net/PrivateModule.h"

#include <dlfcn.h>
#include <link.h>
#include <unistd.h>
#include <vector>

namespace {

// The folders the dynamic loader would search for a library the program itself asked for, in its order.
std::vector<std::string> ProgramSearchPath() {
    std::vector<std::string> folders;
    void* program = dlopen(nullptr, RTLD_LAZY);
    if (program == nullptr)
        return folders;
    Dl_serinfo size{};
    if (dlinfo(program, RTLD_DI_SERINFOSIZE, &size) == 0 && size.dls_size >= sizeof(Dl_serinfo)) {
        // Dl_serinfo is followed by the folders' names; the buffer keeps its alignment.
        std::vector<Dl_serinfo> buffer(size.dls_size / sizeof(Dl_serinfo) + 1);
        Dl_serinfo* info = buffer.data();
        *info = size;
        if (dlinfo(program, RTLD_DI_SERINFO, info) == 0) {
            for (unsigned i = 0; i < info->dls_cnt; ++i)
                folders.emplace_back(info->dls_serpath[i].dls_name);
        }
    }
    dlclose(program);
#ifdef KOVRIN_PRIVATE_MODULE_DIR
    folders.emplace_back(KOVRIN_PRIVATE_MODULE_DIR);
#endif
    return folders;
}

std::string LoaderError(const std::string& Fallback) {
    const char* error = dlerror();
    return error != nullptr ? error : Fallback;
}

} // namespace

void* PrivateModuleEntry(const std::string& Name, const char* Symbol, std::string& Error) {
    std::string path = Name;
    if (Name.find('/') == std::string::npos) {
        for (const std::string& folder : ProgramSearchPath()) {
            const std::string candidate = folder + "/" + Name;
            if (access(candidate.c_str(), F_OK) == 0) {
                path = candidate;
                break;
            }
        }
    }
    // Not found: dlopen is asked for the bare name, and says so in its own words.
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        Error = LoaderError(path + ": cannot be loaded");
        return nullptr;
    }
    void* entry = dlsym(module, Symbol);
    if (entry == nullptr) {
        Error = LoaderError(path + ": no " + Symbol);
        dlclose(module);
    }
    return entry;
}
