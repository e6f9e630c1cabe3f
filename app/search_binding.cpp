#include "search_binding.h"

#include <string>

namespace zel::app {

bool SearchBinding::load(const char* directory) {
    // By full path: a bare name would let the library search fall through to the
    // current directory, where a planted copy would be run.
    const std::string path = std::string(directory) + kSearchLibraryName;
    library_ = platform::Library::load(path.c_str());
    if (!library_) return false;
    Initialization = reinterpret_cast<InitializationFn>(library_.symbol("Initialization"));
    GetDeviceList = reinterpret_cast<GetDeviceListFn>(library_.symbol("GetDeviceList"));
    GetDeviceCount = reinterpret_cast<GetDeviceCountFn>(library_.symbol("GetDeviceCount"));
    GetHostList = reinterpret_cast<GetHostListFn>(library_.symbol("GetHostList"));
    if (Initialization && GetDeviceList && GetDeviceCount && GetHostList) return true;
    library_.reset();
    return false;
}

} // namespace zel::app
