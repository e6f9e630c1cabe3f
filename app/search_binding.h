#pragma once
// The search library, loaded for the length of one inventory rebuild.

#include "zelsearch.h"

#include <zel/platform/library.h>

namespace zel::app {

class SearchBinding {
public:
    // Loads ZelSearch.dll from `directory` (ending in a separator) and resolves its four
    // exports. False, with nothing loaded, when the file or any export is missing.
    bool load(const char* directory);

    InitializationFn Initialization = nullptr;
    GetDeviceListFn GetDeviceList = nullptr;
    GetDeviceCountFn GetDeviceCount = nullptr;
    GetHostListFn GetHostList = nullptr;

private:
    platform::Library library_;
};

} // namespace zel::app
