#pragma once
// What a Library handle points to in the simulated system: a module loaded from the
// library table, either a real shared object or one of the resource libraries, whose
// strings the simulated system serves itself.

#include "res/strings.h"

#include <string>
#include <vector>

namespace zel::sim::detail {

struct Module {
    std::string file;                        // the file name, for fault subjects
    void* shared = nullptr;                  // dlopen handle; null for a resource library
    bool resource = false;
    res::Language language = res::Language::english;
    std::vector<std::string> missingExports; // as the table said when it was loaded
};

} // namespace zel::sim::detail
