#pragma once
// What would keep an unpacked package from applying, one line per problem.
#include <string>
#include <vector>

class TUpdateXML;

// The package archive and every entry archive that the manifest names read
// completely (every entry inflates and matches its CRC, none is refused),
// and no entry's target reaches outside the client folder. scratch is the
// folder the package was unpacked into.
std::vector<std::string> packageProblems(const std::string& package, const std::string& scratch,
                                         const TUpdateXML& manifest);
