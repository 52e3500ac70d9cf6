#include "net/PrivateModule.h"

#include <dlfcn.h>
#include <filesystem>
#include <link.h>
#include <string>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>
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
    // An installed program's own modules lie beside its bin/ folder (an installation under any prefix).
    std::error_code error;
    const std::filesystem::path program_file = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        folders.push_back((program_file.parent_path().parent_path() / KOVRIN_PRIVATE_MODULE_SUBDIR).string());
    }
    // The package's folder, for a copy of a program run from a folder of its own.
    folders.emplace_back(KOVRIN_PRIVATE_MODULE_DIR);
    return folders;
}

// A module runs with the program's rights: its file and its folder must be root's or the user's own, and
// writable by no one else, or another user could put code of theirs in its place. Empty when they are;
// else why not.
std::string UntrustedBecause(const std::string& Path) {
    const std::string folder = std::filesystem::path(Path).parent_path().string();
    for (const std::string& place : {Path, folder.empty() ? std::string(".") : folder}) {
        struct stat info {};
        if (::stat(place.c_str(), &info) != 0) {
            return {}; // nothing there to trust or not: the loader says what is missing
        }
        if ((info.st_uid != 0 && info.st_uid != ::geteuid()) || (info.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
            return place + " may be written by another user";
        }
    }
    return {};
}

std::string LoaderError(const std::string& Fallback) {
    const char* error = dlerror();
    return error != nullptr ? error : Fallback;
}

} // namespace

void* PrivateModuleEntry(const std::string& Name, const char* Symbol, std::string& Error) {
    std::string path = Name;
    std::string refused;
    if (Name.find('/') == std::string::npos) {
        for (const std::string& folder : ProgramSearchPath()) {
            const std::string candidate = folder + "/" + Name;
            if (access(candidate.c_str(), F_OK) != 0) {
                continue;
            }
            if (std::string why = UntrustedBecause(candidate); !why.empty()) {
                refused = std::move(why); // a folder further on may hold a module to trust
                continue;
            }
            path = candidate;
            break;
        }
    } else {
        refused = UntrustedBecause(Name);
    }
    if (path == Name && !refused.empty()) {
        Error = Name + " is not loaded: " + refused;
        return nullptr;
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
