// HB::Preferences: the domain's property list under the device root, atomic
// writes that survive a relaunch and a writer killed mid-write, and stores that cannot be read
// or written (in child processes, unprivileged where root would pass any mode).
#include "cephei/Preferences.h"

#include "fixtures/LogCapture.h"
#include "foundation/Collections.h"
#include "foundation/Date.h"
#include "foundation/Number.h"
#include "support/EventRecorder.h"
#include "support/TemporaryRoot.h"

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <sched.h>
#include <set>
#include <sstream>
#include <string>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

constexpr const char* kDomain = "com.quarvo.tapsonata";
constexpr const char* kDomainFile = "/var/mobile/Library/Preferences/com.quarvo.tapsonata.plist";

objc::Ref<HB::Preferences> open(const char* domain = kDomain) {
    return HB::Preferences::preferencesForIdentifier(NS::str(domain).ptr());
}

std::string xmlOf(NS::Dictionary::Entries entries) {
    return NS::propertyListToXML(*NS::Dictionary::dictionary(std::move(entries)));
}

std::string contents(const fs::path& file) {
    std::ostringstream bytes;
    bytes << std::ifstream(file, std::ios::binary).rdbuf();
    return bytes.str();
}

class Preferences : public testing::Test {
protected:
    void SetUp() override { HB::Preferences::forgetSharedInstances(); }
    void TearDown() override { HB::Preferences::forgetSharedInstances(); }
    // Another process start: the shared instances are gone and the store is read afresh.
    void relaunch() { HB::Preferences::forgetSharedInstances(); }

    // The file as a dictionary, read the way the settings pane would.
    objc::RefPtr<NS::Dictionary> stored() const {
        objc::RefPtr<objc::Object> root = NS::propertyListFromBytes(contents(file));
        return objc::RefPtr<NS::Dictionary>(dynamic_cast<NS::Dictionary*>(root.get()));
    }

    // What the preferences folder holds: the file and its lock, and no temporary file.
    void expectOnlyTheFileAndItsLock() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(file.parent_path()))
            names.insert(entry.path().filename().string());
        EXPECT_EQ(names, (std::set<std::string>{".com.quarvo.tapsonata.plist.lock",
                                                "com.quarvo.tapsonata.plist"}));
    }

    TemporaryRoot root;
    fs::path file = root / kDomainFile;
};

// A bound variable takes the stored value by the platform's boolValue rules, a value of another
// type counts as absent, and it follows every write, back to the default on removal.
TEST_F(Preferences, ABoundVariableFollowsTheStoreByThePlatformsBoolRules) {
    root.write(kDomainFile,
               xmlOf({{"firstUse", NS::str("no")}, {"list", NS::Array::array({NS::str("YES")})}}));
    auto prefs = open();
    EXPECT_EQ(prefs.ptr(), open().ptr()) << "one shared instance per identifier";
    bool firstUse = true, list = true;
    prefs->registerBoolDefaultForKey(&firstUse, true, NS::str("firstUse").ptr());
    prefs->registerBoolDefaultForKey(&list, false, NS::str("list").ptr());
    EXPECT_FALSE(firstUse);
    EXPECT_FALSE(list);
    const std::pair<objc::RefPtr<objc::Object>, bool> writes[] = {
        {NS::str("YES"), true},
        {NS::Number::numberWithInt(0), false},
        {NS::Number::numberWithInt(2), true},
        {NS::str("0"), false},
        {nullptr, true}};
    for (const auto& [value, expected] : writes) {
        prefs->setObjectForKey(value, NS::str("firstUse").ptr());
        EXPECT_EQ(firstUse, expected) << (value ? value->description() : "removed");
    }
}

// XML would keep no fraction of a second in the date; found by the store's fuzz target.
mode_t modeOf(const std::filesystem::path& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

TEST_F(Preferences, AWriteKeepsEveryOtherValueAndKeysAddedMeanwhileSurvivesARelaunchAndIsReported) {
    support::EventRecorder events;
    auto date = NS::Date::dateWithTimeIntervalSince1970(978307202.5);
    NS::Dictionary::Entries entries = {{"when", date},
                                       {"ratio", NS::Number::numberWithDouble(0.1)}};
    root.write(kDomainFile, NS::propertyListToBinary(*NS::Dictionary::dictionary(entries)));
    bool firstUse = true;
    open()->registerBoolDefaultForKey(&firstUse, true, NS::str("firstUse").ptr());
    entries["note"] = NS::str("added later"); // by another writer
    root.write(kDomainFile, NS::propertyListToBinary(*NS::Dictionary::dictionary(entries)));
    chmod(file.c_str(), 0640); // the replaced file keeps it
    open()->setBoolForKey(false, NS::str("firstUse").ptr());
    EXPECT_EQ(modeOf(file), 0640U);

    auto dictionary = stored();
    ASSERT_TRUE(dictionary);
    EXPECT_EQ(dictionary->count(), 4U);
    for (const auto& [name, value] : entries)
        EXPECT_TRUE(value->isEqual(dictionary->objectForKey(name).get())) << name;
    relaunch();
    bool afterRelaunch = true;
    open()->registerBoolDefaultForKey(&afterRelaunch, true, NS::str("firstUse").ptr());
    EXPECT_FALSE(afterRelaunch);
    expectOnlyTheFileAndItsLock();
    EXPECT_EQ(
        events.events("prefs_write").at(0).line,
        R"({"event":"prefs_write","domain":"com.quarvo.tapsonata","key":"firstUse","value":false})");
}

TEST_F(Preferences, ACorruptStoreReadsAsEmptyAndIsReplacedByTheNextWrite) {
    std::string binary = NS::propertyListToBinary(
        *NS::Dictionary::dictionary({{"firstUse", NS::Number::numberWithBool(false)}}));
    for (const std::string& bytes : {binary.substr(0, binary.size() / 2),
                                     NS::propertyListToXML(*NS::Array::array({NS::str("x")}))}) {
        relaunch();
        fixtures::LogCapture log;
        root.write(kDomainFile, bytes);
        bool firstUse = false;
        auto prefs = open();
        prefs->registerBoolDefaultForKey(&firstUse, true, NS::str("firstUse").ptr());
        EXPECT_TRUE(firstUse);
        EXPECT_FALSE(log.containing("reading it as empty").empty());
        const mode_t mask = umask(077);
        prefs->setBoolForKey(false, NS::str("firstUse").ptr());
        umask(mask);
        EXPECT_EQ(modeOf(file), 0644U) << "a fresh file is readable by all, whatever the umask";
        ASSERT_TRUE(stored());
        EXPECT_EQ(stored()->count(), 1U);
        EXPECT_EQ(contents(file.string() + ".corrupt"), bytes) << "moved aside whole";
    }
}

TEST_F(Preferences, AWriterKilledMidWriteLeavesTheOldOrNewFileAndTheNextWriteClearsUp) {
    root.write(kDomainFile, xmlOf({{"counter", NS::Number::numberWithInt(0)},
                                   {"instrument", NS::Number::numberWithInt(3)}}));
    const char* runs = std::getenv("TAPSONATA_KILL_RUNS"); // 200 for a long run
    long long last = 0;
    for (int run = 0, count = runs ? std::atoi(runs) : 50; run < count; ++run) {
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        pid_t writer = fork();
        if (writer == 0) {
            relaunch();
            long long n =
                std::atoll(open()->objectForKey(NS::str("counter").ptr())->description().c_str());
            for (;;) {
                open()->setObjectForKey(NS::Number::numberWithLongLong(++n),
                                        NS::str("counter").ptr());
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
        auto after = stored();
        ASSERT_TRUE(after) << "run " << run << ": " << contents(file);
        EXPECT_EQ(after->objectForKey("instrument")->description(), "3") << "run " << run;
        long long counter = std::atoll(after->objectForKey("counter")->description().c_str());
        EXPECT_GE(counter, last) << "run " << run;
        last = counter;
    }
    relaunch();
    open()->setBoolForKey(true, NS::str("enabled").ptr());
    expectOnlyTheFileAndItsLock();
    EXPECT_EQ(stored()->count(), 3U);
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

TEST_F(Preferences, AStoreThatCannotBeReadOrWrittenKeepsTheValueInMemoryAndLosesNoKey) {
    const std::string before = xmlOf({{"instrument", NS::Number::numberWithInt(3)}});
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
        root.write(kDomainFile, before);
        for (fs::path folder = file.parent_path(); folder != root.root().parent_path();
             folder = folder.parent_path())
            chmod(folder.c_str(), folder == file.parent_path() ? c.folderMode : 0755);
        chmod(file.c_str(), c.fileMode);
        pid_t child = fork();
        if (child == 0) {
            if (c.fullDisk)
                fillTheDisk(file, before);
            else if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
                _exit(2);
            fixtures::LogCapture log;
            relaunch();
            open()->setBoolForKey(true, NS::str("enabled").ptr());
            bool kept = open()->boolForKey(NS::str("enabled").ptr());
            bool unchanged = access(file.c_str(), R_OK) != 0 || contents(file) == before;
            _exit(kept && unchanged && log.containing("kept in memory only").size() == 1 ? 0 : 1);
        }
        int status = -1;
        waitpid(child, &status, 0);
        EXPECT_EQ(status, 0) << c.what;
        EXPECT_EQ(contents(file), before) << c.what;
        chmod(file.parent_path().c_str(), 0755);
        chmod(file.c_str(), 0644);
    }
}

TEST_F(Preferences, ADomainThatCannotBeAFileNameStaysInMemory) {
    fixtures::LogCapture log;
    auto escape = open("../../../escape");
    escape->setBoolForKey(true, NS::str("k").ptr());
    EXPECT_TRUE(escape->boolForKey(NS::str("k").ptr()));
    EXPECT_FALSE(fs::exists(root.root() / "escape.plist"));
    EXPECT_EQ(log.containing("cannot name a preferences domain").size(), 1U);
}

} // namespace
