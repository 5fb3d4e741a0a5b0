#include "control/channel.h"

#include "control/runtime_folder.h"

namespace kelp::control {

std::string socketPath()
{
    const std::string folder = privateRuntimeFolder();
    return folder.empty() ? std::string() : folder + "/kelpword.socket";
}

std::string folderOf(const std::string &path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

} // namespace kelp::control
