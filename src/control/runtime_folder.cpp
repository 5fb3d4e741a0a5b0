#include "control/runtime_folder.h"

#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace kelp::control {
namespace {

std::string environment(const char *name)
{
    const char *value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

// Made private if it is new; used only if it is private now (another user
// may have made it first, or put a link there).
bool ensurePrivateFolder(const std::string &path)
{
    ::mkdir(path.c_str(), 0700);
    return isPrivateFolder(path);
}

} // namespace

bool isPrivateFolder(const std::string &path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid() &&
           (st.st_mode & 077) == 0 && ::access(path.c_str(), W_OK | X_OK) == 0;
}

std::string privateRuntimeFolder()
{
    const std::string runtime = environment("XDG_RUNTIME_DIR");
    if (!runtime.empty() && isPrivateFolder(runtime))
        return runtime;
    std::string temp = environment("TMPDIR");
    if (temp.empty())
        temp = "/tmp";
    while (temp.size() > 1 && temp.back() == '/')
        temp.pop_back();
    const std::string shared = temp + "/kelpword-" + std::to_string(::getuid());
    if (ensurePrivateFolder(shared))
        return shared;
    // The temporary folder is everyone's: a folder in this user's home instead.
    const std::string home = environment("HOME");
    if (home.empty())
        return std::string();
    const std::string cache = home + "/.cache";
    ::mkdir(cache.c_str(), 0700);
    const std::string own = cache + "/kelpword-runtime";
    if (ensurePrivateFolder(own))
        return own;
    return std::string();
}

} // namespace kelp::control
