#pragma once
// The checks that the directory operations make on the paths handed to them,
// with their fixed error texts.
#include <initializer_list>
#include <string_view>

namespace pathcheck {

enum class PathKind { kDirectory, kFile };

// Applies the checks in their order, each to every form of the same path,
// and raises the first that fails.
void validatePath(std::initializer_list<std::string_view> forms, PathKind kind);

}  // namespace pathcheck
