#include "cephei/AtomicFile.h"

#include "foundation/FileContents.h"
#include "foundation/Log.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace HB {

namespace {

std::string message(int err) {
    return std::error_code(err, std::generic_category()).message();
}

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// Makes the rename itself durable. Some file systems cannot sync a folder; the file is in place
// by then either way, so this is best effort.
void syncFolder(const std::filesystem::path& folder) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

// The prefix of the temporary files writeFileAtomically makes for `path`.
std::string temporaryPrefix(const std::filesystem::path& path) {
    return "." + path.filename().string() + ".";
}

// An open file descriptor, closed when it goes.
struct Descriptor {
    int fd;
    explicit Descriptor(int d) : fd(d) {}
    ~Descriptor() {
        if (fd >= 0)
            ::close(fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
};

// Writers hold the lock while their temporary file exists, so under the lock every one left
// is a killed writer's.
void removeStaleTemporaries(const std::filesystem::path& path) {
    std::string prefix = temporaryPrefix(path);
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(path.parent_path(), ec)) {
        std::string name = entry.path().filename().string();
        if (name.size() == prefix.size() + 6 && name.starts_with(prefix))
            ::unlink(entry.path().c_str());
    }
}

} // namespace

bool writeFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                         std::string& error, mode_t mode) {
    std::filesystem::path folder = path.parent_path();
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        error = "cannot create " + folder.string() + ": " + ec.message();
        return false;
    }

    std::string name = (folder / (temporaryPrefix(path) + "XXXXXX")).string();
    std::vector<char> temp(name.begin(), name.end());
    temp.push_back('\0');
    int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        int err = errno;
        error = "cannot create a temporary file in " + folder.string() + ": " + message(err);
        return false;
    }
    // Takes a literal, so that errno is read before anything else can change it.
    auto fail = [&](const char* what) {
        int err = errno;
        error = std::string(what) + " " + temp.data() + ": " + message(err);
        if (fd >= 0)
            ::close(fd);
        ::unlink(temp.data());
        return false;
    };
    if (::fchmod(fd, mode) != 0)
        return fail("cannot set the mode of");
    if (!writeAll(fd, bytes))
        return fail("cannot write");
    if (::fsync(fd) != 0)
        return fail("cannot flush");
    int closing = fd;
    fd = -1;
    if (::close(closing) != 0)
        return fail("cannot close");
    if (::rename(temp.data(), path.c_str()) != 0)
        return fail("cannot rename into place");
    syncFolder(folder);
    return true;
}

bool updatePropertyListFile(const std::filesystem::path& path,
                            const std::function<void(NS::Dictionary::Entries&)>& change,
                            std::string& error) {
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    std::filesystem::path lockPath =
        path.parent_path() / ("." + path.filename().string() + ".lock");
    Descriptor lock(::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
    int err = 0;
    while (lock.fd < 0 || ::flock(lock.fd, LOCK_EX) != 0) {
        if (lock.fd < 0 || errno != EINTR) {
            error = "cannot lock " + lockPath.string() + ": " + message(errno);
            return false;
        }
    }

    std::string bytes;
    NS::FileContents contents = NS::readFileContents(path, bytes, err);
    if (contents == NS::FileContents::Unreadable) {
        error = "cannot read " + path.string() + ", so it was left as it is: " + message(err);
        return false;
    }
    NS::Dictionary::Entries entries;
    // A binary file is written back as binary: XML keeps no fraction of a second in a date, and
    // every value the change leaves alone must come back as it was.
    bool binary = false;
    if (contents == NS::FileContents::Read) {
        objc::RefPtr<objc::Object> root = NS::propertyListFromBytes(bytes);
        if (auto* dictionary = dynamic_cast<NS::Dictionary*>(root.get())) {
            entries = dictionary->entries();
            binary = bytes.rfind("bplist00", 0) == 0;
        } else {
            std::filesystem::path aside = path.string() + ".corrupt";
            if (::rename(path.c_str(), aside.c_str()) != 0) {
                error =
                    path.string() + " is malformed and cannot be moved aside: " + message(errno);
                return false;
            }
            CFLog(4, "%s is not a property-list dictionary; moved it aside to %s", path.c_str(),
                  aside.c_str());
        }
    }
    struct stat old {};
    mode_t mode = ::stat(path.c_str(), &old) == 0 ? old.st_mode & 07777 : 0644;
    change(entries);
    auto updated = NS::Dictionary::dictionary(std::move(entries));
    std::string out = binary ? NS::propertyListToBinary(*updated) : NS::propertyListToXML(*updated);
    if (!writeFileAtomically(path, out, error, mode))
        return false;
    removeStaleTemporaries(path);
    return true;
}

} // namespace HB
