// Reference counting at its edges: self-owning objects, destroy-once, and
// weak links that read as nil.
#include "objc/Object.h"
#include "support/LifetimeProbe.h"

#include <gtest/gtest.h>
#include <utility>

namespace {

using objc::adopt;
using objc::Ref;
using objc::RefPtr;
using objc::WeakPtr;

// Keeps itself alive until it is told it is done, then lets go from inside its own method.
class SelfOwner : public objc::Object {
public:
    static WeakPtr<SelfOwner> start(std::atomic<int>& deaths) {
        auto* raw = new SelfOwner(deaths);
        raw->m_self = adopt(raw);
        return WeakPtr<SelfOwner>(raw);
    }
    void finish() { m_self = nullptr; }

private:
    explicit SelfOwner(std::atomic<int>& deaths) : m_deaths(deaths) {}
    ~SelfOwner() override { ++m_deaths; }
    RefPtr<SelfOwner> m_self;
    std::atomic<int>& m_deaths;
};

TEST(RefCount, SelfOwningObjectLetsGoInsideItsOwnMethod) {
    std::atomic<int> deaths{0};
    WeakPtr<SelfOwner> link = SelfOwner::start(deaths);
    ASSERT_TRUE(link.get());
    EXPECT_EQ(deaths, 0);
    // No temporary strong reference may cover the call: the last reference must go while
    // finish() runs on the object.
    SelfOwner* raw = link.get().get();
    raw->finish();
    EXPECT_EQ(deaths, 1);
    EXPECT_FALSE(link.get());
}

// A child whose destructor reaches back into its parent and clears the very pointer that is
// releasing it. The pointer must already read null, so the child is not released twice.
class Parent;
class Child : public objc::Object {
public:
    Child(Parent& parent, std::atomic<int>& deaths) : m_parent(parent), m_deaths(deaths) {}
    ~Child() override;

private:
    Parent& m_parent;
    std::atomic<int>& m_deaths;
};

class Parent : public objc::Object {
public:
    RefPtr<Child> child;
};

Child::~Child() {
    ++m_deaths;
    EXPECT_FALSE(m_parent.child);
    m_parent.child = nullptr;
}

TEST(RefCount, ReleaseThatReachesBackFindsThePointerCleared) {
    std::atomic<int> deaths{0};
    Ref<Parent> parent = adopt(new Parent);
    parent->child = adopt(new Child(parent.get(), deaths));
    parent->child = nullptr;
    EXPECT_EQ(deaths, 1);

    parent->child = adopt(new Child(parent.get(), deaths));
    parent->child = RefPtr<Child>(); // assignment from another pointer, not from nullptr
    EXPECT_EQ(deaths, 2);
}

// That a link does not own and reads nil after the last release is checked where eight threads
// read it while that release happens.
TEST(WeakLink, ACopyOutlivesItsOriginalAndAClearedLinkCanBePointedAnew) {
    std::atomic<int> deaths{0};
    RefPtr<LifetimeProbe> strong = LifetimeProbe::create(deaths);
    WeakPtr<LifetimeProbe> copy;
    {
        WeakPtr<LifetimeProbe> original(strong);
        copy = original;
    }
    EXPECT_EQ(copy.get(), strong);
    strong = nullptr;
    EXPECT_FALSE(copy);
    Ref<LifetimeProbe> second = LifetimeProbe::create(deaths);
    copy = WeakPtr<LifetimeProbe>(second);
    EXPECT_EQ(copy.get().get(), second.ptr());
    EXPECT_FALSE(WeakPtr<LifetimeProbe>(RefPtr<LifetimeProbe>()).get());
}

// While an object is being destroyed, a weak link to it must not revive it.
class Introspective : public objc::Object {
public:
    explicit Introspective(bool& sawNil) : m_sawNil(sawNil) {}
    ~Introspective() override { m_sawNil = !WeakPtr<Introspective>(this).get(); }

private:
    bool& m_sawNil;
};

TEST(WeakLink, ReadsNilFromInsideTheTargetsDestructor) {
    bool sawNil = false;
    { Ref<Introspective> object = adopt(new Introspective(sawNil)); }
    EXPECT_TRUE(sawNil);
}

} // namespace
