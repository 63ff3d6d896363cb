// A whole file read with plain system calls: cheap enough for the library's load in every
// process, and telling a file that is not there from one that cannot be read.
#pragma once

#include <filesystem>
#include <string>

namespace NS {

enum class FileContents { Missing, Read, Unreadable };

// Appends the file's bytes to `bytes`. When the answer is not Read, `err` holds the errno.
FileContents readFileContents(const std::filesystem::path& path, std::string& bytes, int& err);

} // namespace NS
