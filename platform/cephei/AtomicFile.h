// Replacing a file so that a crash at any moment leaves the old file or the new one, and
// changing a property-list dictionary file so that concurrent writers lose nothing.
#pragma once

#include "foundation/Collections.h"

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace HB {

// Creates the folder if needed, writes a temporary file beside the target with the given
// mode, flushes it to disk, renames it over the target and flushes the folder. On failure the
// target is untouched, the temporary file is removed, `error` says why and the result is false.
bool writeFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                         std::string& error, mode_t mode = 0644);

// Reads the property-list dictionary at `path`, lets `change` edit its entries and replaces
// the file atomically, all under an advisory lock (flock) on ".<name>.lock" beside it, so that
// every process changing the file through here keeps the keys the others stored.
// - A missing file starts empty. A file that is not a property-list dictionary is moved aside
//   to "<name>.corrupt" (with a log line) and replaced by a fresh one.
// - A file that exists but cannot be read is never replaced: the result is false.
// - The new file keeps the old one's mode (0644 when there was none), and temporary files
//   left by writers killed mid-write are removed once the replacement is in place.
// On failure the file is untouched, `error` says why and the result is false.
bool updatePropertyListFile(const std::filesystem::path& path,
                            const std::function<void(NS::Dictionary::Entries&)>& change,
                            std::string& error);

} // namespace HB
