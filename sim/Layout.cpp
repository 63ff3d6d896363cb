#include "sim/Layout.h"

#include "foundation/Collections.h"
#include "foundation/Number.h"

#include <fstream>
#include <sstream>
#include <strings.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace sim {

namespace {

const char* const kInstruments[] = {"bass", "drums", "guitar", "piano", "violin"};

fs::path executableDir() {
    std::error_code ec;
    fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::current_path() : self.parent_path();
}

bool writeFile(const fs::path& path, const std::string& bytes) {
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    return static_cast<bool>(out.flush());
}

fs::path under(const fs::path& root, const char* devicePath) {
    return root / fs::path(devicePath).relative_path();
}

// The package database with the tweak installed, and the device's dpkg that reads it.
std::optional<std::string> installPackage(const fs::path& root) {
    const fs::path admin = root / "var/lib/dpkg";
    std::error_code ec;
    fs::create_directories(admin / "info", ec);
    fs::create_directories(admin / "updates", ec);
    std::string status = std::string("Package: ") + kPackageIdentifier +
                         "\n"
                         "Status: install ok installed\n"
                         "Priority: optional\n"
                         "Section: Tweaks\n"
                         "Maintainer: Quarvo\n"
                         "Architecture: iphoneos-arm\n"
                         "Version: " +
                         kPackageVersion +
                         "\n"
                         "Depends: mobilesubstrate\n"
                         "Description: key clicks become notes\n"
                         "Name: Tapsonata\n\n";
    if (!writeFile(admin / "status", status))
        return "cannot write the package database";
    const fs::path dpkg = under(root, kDeviceBinPath) / "dpkg";
    const std::string script =
        "#!/bin/sh\n"
        "# The device's dpkg: the host's, over the device's package database.\n"
        "root=$(dirname \"$0\")/../..\n"
        "exec /usr/bin/dpkg --admindir=\"$root/var/lib/dpkg\" \"$@\"\n";
    if (!writeFile(dpkg, script))
        return "cannot write the device's dpkg";
    fs::permissions(dpkg,
                    fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                        fs::perms::others_read | fs::perms::others_exec,
                    ec);
    return std::nullopt;
}

} // namespace

std::optional<int> parseInstrument(const std::string& text) {
    for (int i = 0; i < 5; ++i)
        if (strcasecmp(text.c_str(), kInstruments[i]) == 0)
            return i + 1;
    if (text.empty())
        return std::nullopt;
    std::size_t used = 0;
    try {
        int value = std::stoi(text, &used);
        if (used == text.size())
            return value;
    } catch (const std::exception&) {
    }
    return std::nullopt;
}

const char* instrumentName(int instrument) {
    return instrument >= 1 && instrument <= 5 ? kInstruments[instrument - 1] : "none";
}

fs::path builtLibrary() {
    return executableDir().parent_path() / "lib" / "Tapsonata.dylib";
}

fs::path notesSource() {
    fs::path beside = executableDir().parent_path() / "share" / "tapsonata" / "resources";
    return fs::exists(beside) ? beside : fs::path(TAPSONATA_RESOURCES_DIR);
}

bool isDevice(const fs::path& root) {
    std::error_code ec;
    std::ifstream status(root / "var/lib/dpkg/status");
    std::stringstream text;
    text << status.rdbuf();
    return fs::is_regular_file(root / kLibraryPath, ec) &&
           text.str().find(std::string("Package: ") + kPackageIdentifier + "\n") !=
               std::string::npos;
}

std::optional<std::string> checkDeviceFolder(const fs::path& root, bool force) {
    std::error_code ec;
    fs::path real = fs::weakly_canonical(fs::absolute(root, ec), ec);
    if (real == real.root_path())
        return "refusing to lay out a device over " + real.string();
    if (!fs::exists(root, ec) || isDevice(root) || force)
        return std::nullopt;
    if (!fs::is_directory(root, ec))
        return root.string() + " is not a folder";
    if (!fs::is_empty(root, ec))
        return root.string() +
               " holds other files and is no Tapsonata device; choose an empty folder, or "
               "--force to lay one out over what is there";
    return std::nullopt;
}

std::vector<std::string> describeDevice(const DeviceSetup& setup) {
    std::string settings = "no settings file";
    if (setup.writeSettings) {
        settings = setup.enabled ? (*setup.enabled ? "enabled" : "disabled") : "no enabled key";
        if (setup.instrument)
            if (std::optional<int> n = parseInstrument(*setup.instrument))
                settings += ", instrument " + std::to_string(*n) + " (" + instrumentName(*n) + ")";
    }
    std::string accounts;
    for (const std::string& name : setup.accounts)
        accounts += (accounts.empty() ? "@" : ", @") + name;
    return {
        "laid out a device in " + setup.root.string() + ":",
        std::string("  library   /") + kLibraryPath,
        "  notes     /Library/Application Support/Tapsonata (45, five instruments)",
        std::string("  settings  ") + kSettingsPath + ": " + settings,
        "  accounts  " + (accounts.empty() ? "none" : accounts) + ", access " +
            setup.access.value_or("deny") + (setup.access ? "" : " (the default)"),
        std::string("  package   ") + kPackageIdentifier + " " + kPackageVersion,
        "next: tapsonata-sim run --root " + setup.root.string() + " type hello",
    };
}

std::optional<std::string> layOutDevice(const DeviceSetup& setup) {
    // Every argument is checked before anything is written.
    if (setup.instrument && !parseInstrument(*setup.instrument))
        return "unknown instrument: " + *setup.instrument +
               " (want bass, drums, guitar, piano, violin or a number)";
    std::error_code ec;
    const fs::path& root = setup.root;
    fs::create_directories(root, ec);
    if (ec)
        return "cannot create " + root.string() + ": " + ec.message();

    fs::path library = root / kLibraryPath;
    fs::create_directories(library.parent_path(), ec);
    fs::copy_file(builtLibrary(), library, fs::copy_options::overwrite_existing, ec);
    if (ec)
        return "cannot install the library from " + builtLibrary().string() + ": " + ec.message();

    fs::path notes = root / "Library/Application Support/Tapsonata";
    for (const char* instrument : kInstruments) {
        fs::create_directories(notes / instrument, ec);
        for (const auto& entry : fs::directory_iterator(notesSource() / instrument, ec))
            if (entry.path().extension() == ".mp3")
                fs::copy_file(entry.path(), notes / instrument / entry.path().filename(),
                              fs::copy_options::overwrite_existing, ec);
        if (ec)
            return "cannot install the notes: " + ec.message();
    }

    fs::path settings = under(root, kSettingsPath);
    fs::remove(settings, ec);
    if (setup.writeSettings) {
        auto file = NS::MutableDictionary::dictionary();
        if (setup.enabled)
            file->setObjectForKey(NS::Number::numberWithBool(*setup.enabled), "enabled");
        if (setup.instrument) {
            std::optional<int> number = parseInstrument(*setup.instrument);
            if (!number)
                return "unknown instrument: " + *setup.instrument;
            file->setObjectForKey(NS::Number::numberWithInt(*number), "instrument");
        }
        if (!writeFile(settings, NS::propertyListToXML(*file)))
            return "cannot write " + settings.string();
    }

    std::string schemes;
    for (const std::string& scheme : setup.installedSchemes)
        schemes += scheme + "\n";
    if (!writeFile(under(root, kInstalledSchemesPath), schemes))
        return "cannot write the URL schemes";

    // The device's Twitter accounts, laid out as the account store reads them. Each account
    // gets made-up OAuth credentials of its own, so that a local API can check signatures.
    auto accountsFile = NS::MutableDictionary::dictionary();
    if (setup.access)
        accountsFile->setObjectForKey(NS::str(*setup.access), "access");
    auto accounts = NS::Array::array();
    for (const std::string& name : setup.accounts) {
        auto account = NS::MutableDictionary::dictionary();
        account->setObjectForKey(NS::str(name), "username");
        account->setObjectForKey(NS::str("consumer-key"), "consumerKey");
        account->setObjectForKey(NS::str("consumer-secret"), "consumerSecret");
        account->setObjectForKey(NS::str("token-" + name), "token");
        account->setObjectForKey(NS::str("token-secret-" + name), "tokenSecret");
        accounts->addObject(account);
    }
    accountsFile->setObjectForKey(accounts, "accounts");
    if (!writeFile(under(root, kAccountsPath), NS::propertyListToXML(*accountsFile)))
        return "cannot write the accounts";
    return installPackage(root);
}

} // namespace sim
