// NS::AutoreleasePool: autoreleased objects live until their pool drains; pools nest.
#include "foundation/AutoreleasePool.h"

#include "support/LifetimeProbe.h"

#include <gtest/gtest.h>
#include <thread>

namespace {

using NS::autorelease;
using NS::AutoreleasePool;

TEST(AutoreleasePool, ObjectsLiveUntilTheDrainAndThePoolStaysInPlace) {
    std::atomic<int> deaths{0};
    AutoreleasePool pool;
    LifetimeProbe* probe = autorelease(LifetimeProbe::create(deaths));
    EXPECT_EQ(probe->retainCount(), 1u);
    EXPECT_EQ(deaths, 0);
    pool.drain();
    EXPECT_EQ(deaths, 1);
    autorelease(LifetimeProbe::create(deaths));
    EXPECT_EQ(pool.size(), 1u) << "a drained pool still takes what is autoreleased";
}

TEST(AutoreleasePool, NestedPoolsReleaseInnermostFirst) {
    std::atomic<int> outerDeaths{0}, innerDeaths{0}, laterDeaths{0};
    {
        AutoreleasePool outer;
        autorelease(LifetimeProbe::create(outerDeaths));
        {
            AutoreleasePool inner;
            autorelease(LifetimeProbe::create(innerDeaths));
            EXPECT_EQ(inner.size(), 1u);
            EXPECT_EQ(outer.size(), 1u);
        }
        EXPECT_EQ(innerDeaths, 1);
        EXPECT_EQ(outerDeaths, 0);
        // With the inner pool gone, the outer one is innermost again.
        autorelease(LifetimeProbe::create(laterDeaths));
        EXPECT_EQ(outer.size(), 2u);
    }
    EXPECT_EQ(outerDeaths, 1);
    EXPECT_EQ(laterDeaths, 1);
}

// Autoreleases another object while it is being released.
class Chain : public objc::Object {
public:
    static objc::Ref<Chain> create(std::atomic<int>& deaths, int more) {
        return objc::adopt(new Chain(deaths, more));
    }
    ~Chain() override {
        ++m_deaths;
        if (m_more > 0)
            autorelease(create(m_deaths, m_more - 1));
    }

private:
    Chain(std::atomic<int>& deaths, int more) : m_deaths(deaths), m_more(more) {}
    std::atomic<int>& m_deaths;
    int m_more;
};

TEST(AutoreleasePool, DrainReleasesWhatIsAutoreleasedMeanwhile) {
    std::atomic<int> deaths{0};
    AutoreleasePool pool;
    autorelease(Chain::create(deaths, 3));
    pool.drain();
    EXPECT_EQ(deaths, 4);
    EXPECT_EQ(pool.size(), 0u);
}

TEST(AutoreleasePool, HeapPoolsMayEndOutOfOrder) {
    std::atomic<int> deaths{0};
    auto* outer = new AutoreleasePool;
    auto* inner = new AutoreleasePool;
    delete outer;
    autorelease(LifetimeProbe::create(deaths));
    EXPECT_EQ(inner->size(), 1u);
    delete inner;
    EXPECT_EQ(deaths, 1);
}

TEST(AutoreleasePool, WithoutAPoolObjectsLiveUntilTheThreadEnds) {
    std::atomic<int> deaths{0};
    std::atomic<int> seenBeforeExit{-1};
    std::thread worker([&] {
        autorelease(LifetimeProbe::create(deaths));
        seenBeforeExit = deaths.load();
    });
    worker.join();
    EXPECT_EQ(seenBeforeExit, 0);
    EXPECT_EQ(deaths, 1);
}

} // namespace
