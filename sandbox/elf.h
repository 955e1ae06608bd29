// What a module file exports and needs, as the system's readelf reads it.
#pragma once

#include <set>
#include <string>

namespace sandbox {

// Defined dynamic symbols (global or weak).  Throws when readelf fails.
std::set<std::string> exported_symbols(const std::string &file);

// The libraries the file names as needed.  Throws when readelf fails.
std::set<std::string> needed_libraries(const std::string &file);

} // namespace sandbox
