// HB::Preferences under faults, each in a child process: a writer killed mid-write, and a
// store that cannot be read or written. Nothing stored may be lost.
#include "cephei/Preferences.h"
#include "fixtures/LogCapture.h"
#include "foundation/Collections.h"
#include "foundation/Number.h"
#include "support/TemporaryRoot.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <sched.h>
#include <sstream>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

constexpr const char* kFile = "/var/mobile/Library/Preferences/com.quarvo.tapsonata.plist";

std::string contents(const fs::path& file) {
    std::ostringstream bytes;
    bytes << std::ifstream(file, std::ios::binary).rdbuf();
    return bytes.str();
}

objc::RefPtr<NS::Dictionary> stored(const fs::path& file) {
    objc::RefPtr<objc::Object> root = NS::propertyListFromBytes(contents(file));
    return objc::RefPtr<NS::Dictionary>(dynamic_cast<NS::Dictionary*>(root.get()));
}

objc::Ref<HB::Preferences> relaunched() {
    HB::Preferences::forgetSharedInstances();
    return HB::Preferences::preferencesForIdentifier(NS::str("com.quarvo.tapsonata").ptr());
}

int temporaries(const fs::path& file) {
    int count = 0;
    for (const auto& entry : fs::directory_iterator(file.parent_path()))
        count +=
            entry.path().filename().string().starts_with("." + file.filename().string() + ".") &&
            entry.path().extension() != ".lock";
    return count;
}

const std::string kOtherKeys = NS::propertyListToXML(*NS::Dictionary::dictionary(
    {{"counter", NS::Number::numberWithInt(0)}, {"instrument", NS::Number::numberWithInt(3)}}));

TEST(PreferencesFaults, AWriterKilledMidWriteLeavesTheOldOrNewFileAndTheNextWriteClearsUp) {
    TemporaryRoot root;
    fs::path file = root / kFile;
    root.write(kFile, kOtherKeys);
    const char* runs = std::getenv("TAPSONATA_KILL_RUNS"); // 200 for a long run
    long long last = 0;
    int left = 0;
    for (int run = 0, count = runs ? std::atoi(runs) : 50; run < count; ++run) {
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        pid_t writer = fork();
        if (writer == 0) {
            auto prefs = relaunched();
            auto counter = NS::str("counter");
            long long n = std::atoll(prefs->objectForKey(counter.ptr())->description().c_str());
            for (;;) {
                prefs->setObjectForKey(NS::Number::numberWithLongLong(++n), counter.ptr());
                if (ready[1] >= 0 && write(ready[1], "w", 1) == 1)
                    ready[1] = -1;
            }
        }
        close(ready[1]);
        char byte = 0;
        EXPECT_EQ(read(ready[0], &byte, 1), 1) << "the writer never wrote";
        close(ready[0]);
        usleep(static_cast<useconds_t>(150 * (run % 13))); // a different moment of a write
        kill(writer, SIGKILL);
        waitpid(writer, nullptr, 0);
        auto after = stored(file);
        ASSERT_TRUE(after) << "run " << run << ": " << contents(file);
        EXPECT_EQ(after->objectForKey("instrument")->description(), "3") << "run " << run;
        long long counter = std::atoll(after->objectForKey("counter")->description().c_str());
        EXPECT_GE(counter, last) << "run " << run;
        last = counter;
        left += temporaries(file);
    }
    std::printf("temporaries left by killed writers: %d\n", left);
    relaunched()->setBoolForKey(true, NS::str("enabled").ptr());
    EXPECT_EQ(temporaries(file), 0);
    EXPECT_EQ(stored(file)->count(), 3U);
}

// Fills the preferences folder: a small tmpfs over it where mounts are allowed, else a file
// size limit, which fails writes the same way.
void fillTheDisk(const fs::path& file, const std::string& bytes) {
    if (unshare(CLONE_NEWNS) == 0 &&
        mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
        mount("tmpfs", file.parent_path().c_str(), "tmpfs", 0, "size=64k") == 0) {
        std::ofstream(file, std::ios::binary) << bytes;
        std::ofstream filler(file.parent_path() / "filler", std::ios::binary);
        while (filler << std::string(4096, 'x') && filler.flush()) {
        }
    } else {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{16, 16};
        setrlimit(RLIMIT_FSIZE, &limit);
    }
}

TEST(PreferencesFaults, AStoreThatCannotBeReadOrWrittenKeepsTheValueInMemoryAndLosesNoKey) {
    const struct {
        const char* what;
        mode_t folderMode, fileMode;
        bool fullDisk;
    } cases[] = {
        {"an unreadable file", 0777, 0, false},
        {"a read-only folder", 0555, 0644, false},
        {"a full disk", 0755, 0644, true},
    };
    for (const auto& c : cases) {
        TemporaryRoot root;
        fs::path file = root / kFile;
        root.write(kFile, kOtherKeys);
        for (fs::path folder = file.parent_path(); folder != root.root().parent_path();
             folder = folder.parent_path())
            chmod(folder.c_str(), folder == file.parent_path() ? c.folderMode : 0755);
        chmod(file.c_str(), c.fileMode);
        pid_t child = fork();
        if (child == 0) {
            if (c.fullDisk)
                fillTheDisk(file, kOtherKeys);
            // As the device's user: root reads and writes past any mode.
            if (!c.fullDisk && geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
                _exit(2);
            fixtures::LogCapture log;
            auto prefs = relaunched();
            prefs->setBoolForKey(true, NS::str("enabled").ptr());
            bool kept = prefs->boolForKey(NS::str("enabled").ptr());
            bool unchanged = access(file.c_str(), R_OK) != 0 || contents(file) == kOtherKeys;
            _exit(kept && unchanged && log.containing("kept in memory only").size() == 1 ? 0 : 1);
        }
        int status = -1;
        waitpid(child, &status, 0);
        EXPECT_EQ(status, 0) << c.what;
        EXPECT_EQ(contents(file), kOtherKeys) << c.what;
        chmod(file.parent_path().c_str(), 0755);
    }
}

} // namespace
