// Replacing a file so that a crash at any moment leaves the old file or the new one.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace HB {

// Creates the folder if needed, writes a temporary file beside the target, flushes it to disk,
// renames it over the target and flushes the folder. On failure the target is untouched, the
// temporary file is removed, `error` says why and the result is false.
bool writeFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                         std::string& error);

} // namespace HB
