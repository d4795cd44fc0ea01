#pragma once
// The files that an archive of a folder tree takes in.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zipio {

struct FoundFile {
  std::string path;  // src joined with the relative name
  std::string name;  // relative name, "/" between the parts
  std::uint32_t attributes;
};

// Walks src depth-first in listing order, leaving out hidden and system
// files and folders and the file whose path equals exclude (the archive
// itself). found is called once per file found. A missing src gives nothing.
std::vector<FoundFile> collectFiles(const std::string& src, const std::string& exclude,
                                    const std::function<void()>& found);

// The path made absolute against the current folder, "." and ".." resolved,
// repeated separators collapsed, separators in the system's form and ASCII
// letters folded: the form in which two paths are compared.
std::string comparablePath(const std::string& path);

}  // namespace zipio
