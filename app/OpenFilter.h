#pragma once
// The open dialog's file-type filter, built from the plug-in modules found at start-up.
#include <string>

namespace kova {

class TSPIs;

// "ビットマップ|*.bmp|" followed by the first description and mask of every module.
// Raises EListError (index 0) for a module without format pairs.
std::string BuildOpenFilter(const TSPIs& spis);

}  // namespace kova
