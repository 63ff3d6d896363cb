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
class SelfOwner : public LifetimeProbe {
public:
    explicit SelfOwner(std::atomic<int>& deaths) : LifetimeProbe(deaths) {}
    void finish() { self = nullptr; }
    RefPtr<SelfOwner> self;
};

TEST(RefCount, SelfOwningObjectLetsGoInsideItsOwnMethod) {
    std::atomic<int> deaths{0};
    auto* raw = new SelfOwner(deaths);
    raw->self = adopt(raw);
    WeakPtr<SelfOwner> link(raw->self);
    // No temporary strong reference may cover the call: the last reference must go while
    // finish() runs on the object.
    raw->finish();
    EXPECT_EQ(deaths, 1);
    EXPECT_FALSE(link.get());
}

// A child whose destructor reaches back into its parent and clears the very pointer that is
// releasing it. The pointer must already read null, so the child is not released twice.
struct Parent;
class Child : public LifetimeProbe {
public:
    Child(Parent& parent, std::atomic<int>& deaths) : LifetimeProbe(deaths), m_parent(parent) {}
    ~Child() override;

private:
    Parent& m_parent;
};
struct Parent : objc::Object {
    RefPtr<Child> child;
};
Child::~Child() {
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
