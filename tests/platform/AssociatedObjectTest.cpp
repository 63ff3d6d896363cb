// Associated objects under each policy: what they keep alive, for how long, and that every
// value is released exactly once.
#include "foundation/Collections.h"
#include "objc/Runtime.h"
#include "support/LifetimeProbe.h"

#include <gtest/gtest.h>

namespace {

using namespace objc;

const char kKey = 0;
const char kOtherKey = 0;

Ref<LifetimeProbe> owner(std::atomic<int>& deaths) {
    return LifetimeProbe::create(deaths);
}

TEST(AssociatedObject, AssignReadsNilOnceTheValueIsGone) {
    std::atomic<int> ownerDeaths{0}, valueDeaths{0};
    auto object = owner(ownerDeaths);
    RefPtr<LifetimeProbe> value = LifetimeProbe::create(valueDeaths);
    objc_setAssociatedObject(object.ptr(), &kKey, value.get(), OBJC_ASSOCIATION_ASSIGN);
    EXPECT_EQ(value->retainCount(), 1u) << "assign must not retain";
    EXPECT_EQ(objc_getAssociatedObject(object.ptr(), &kKey), value);
    value = nullptr;
    EXPECT_EQ(valueDeaths, 1);
    EXPECT_FALSE(objc_getAssociatedObject(object.ptr(), &kKey));
}

class Retaining : public ::testing::TestWithParam<AssociationPolicy> {};

TEST_P(Retaining, KeepsTheValueUntilTheOwnerDiesThenReleasesItOnce) {
    std::atomic<int> ownerDeaths{0}, valueDeaths{0};
    RefPtr<LifetimeProbe> object = owner(ownerDeaths);
    {
        auto value = LifetimeProbe::create(valueDeaths);
        objc_setAssociatedObject(object.get(), &kKey, value.ptr(), GetParam());
        EXPECT_EQ(objc_getAssociatedObject(object.get(), &kKey).get(), value.ptr());
    }
    EXPECT_EQ(valueDeaths, 0);
    EXPECT_TRUE(objc_getAssociatedObject(object.get(), &kKey));
    object = nullptr;
    EXPECT_EQ(ownerDeaths, 1);
    EXPECT_EQ(valueDeaths, 1);
}

INSTANTIATE_TEST_SUITE_P(Policies, Retaining,
                         ::testing::Values(OBJC_ASSOCIATION_RETAIN_NONATOMIC,
                                           OBJC_ASSOCIATION_RETAIN));

TEST(AssociatedObject, RetainAtomicHasTheDevicesValue) {
    EXPECT_EQ(static_cast<int>(OBJC_ASSOCIATION_RETAIN), 769);
    EXPECT_EQ(static_cast<int>(OBJC_ASSOCIATION_COPY), 771);
}

class Copying : public ::testing::TestWithParam<AssociationPolicy> {};

TEST_P(Copying, KeepsACopyAndReleasesItWithTheOwner) {
    std::atomic<int> ownerDeaths{0}, valueDeaths{0};
    RefPtr<LifetimeProbe> object = owner(ownerDeaths);
    auto original = LifetimeProbe::create(valueDeaths);
    objc_setAssociatedObject(object.get(), &kKey, original.ptr(), GetParam());
    EXPECT_EQ(original->copies, 1);
    EXPECT_EQ(original->retainCount(), 1u) << "the original is not kept";
    RefPtr<Object> kept = objc_getAssociatedObject(object.get(), &kKey);
    ASSERT_TRUE(kept);
    EXPECT_NE(kept.get(), original.ptr());
    kept = nullptr;
    object = nullptr;
    EXPECT_EQ(valueDeaths, 1) << "the copy dies with the owner, the original lives on";
}

INSTANTIATE_TEST_SUITE_P(Policies, Copying,
                         ::testing::Values(OBJC_ASSOCIATION_COPY_NONATOMIC, OBJC_ASSOCIATION_COPY));

TEST(AssociatedObject, CopyOfAMutableDictionaryIsASnapshot) {
    std::atomic<int> ownerDeaths{0};
    auto object = owner(ownerDeaths);
    auto dictionary = NS::MutableDictionary::dictionary();
    dictionary->setObjectForKey(NS::str("one"), "a");
    objc_setAssociatedObject(object.ptr(), &kKey, dictionary.ptr(), OBJC_ASSOCIATION_COPY);
    dictionary->setObjectForKey(NS::str("two"), "b");
    auto kept = associatedObject<NS::Dictionary>(object.ptr(), &kKey);
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->count(), 1u);
    EXPECT_FALSE(dynamic_cast<NS::MutableDictionary*>(kept.get()));
}

TEST(AssociatedObject, SettingNilRemovesAndReleasesAtOnce) {
    std::atomic<int> ownerDeaths{0}, valueDeaths{0};
    auto object = owner(ownerDeaths);
    objc_setAssociatedObject(object.ptr(), &kKey, LifetimeProbe::create(valueDeaths).ptr(),
                             OBJC_ASSOCIATION_RETAIN);
    objc_setAssociatedObject(object.ptr(), &kKey, nullptr, OBJC_ASSOCIATION_RETAIN);
    EXPECT_EQ(valueDeaths, 1);
    EXPECT_FALSE(objc_getAssociatedObject(object.ptr(), &kKey));
}

TEST(AssociatedObject, ReplacingReleasesTheOldValueOnce) {
    std::atomic<int> ownerDeaths{0}, oldDeaths{0}, newDeaths{0};
    {
        auto object = owner(ownerDeaths);
        objc_setAssociatedObject(object.ptr(), &kKey, LifetimeProbe::create(oldDeaths).ptr(),
                                 OBJC_ASSOCIATION_RETAIN_NONATOMIC);
        objc_setAssociatedObject(object.ptr(), &kKey, LifetimeProbe::create(newDeaths).ptr(),
                                 OBJC_ASSOCIATION_RETAIN_NONATOMIC);
        EXPECT_EQ(oldDeaths, 1);
        EXPECT_EQ(newDeaths, 0);
    }
    EXPECT_EQ(oldDeaths, 1);
    EXPECT_EQ(newDeaths, 1);
}

TEST(AssociatedObject, KeysAreIndependent) {
    std::atomic<int> ownerDeaths{0}, deaths{0};
    auto object = owner(ownerDeaths);
    auto first = LifetimeProbe::create(deaths);
    auto second = LifetimeProbe::create(deaths);
    objc_setAssociatedObject(object.ptr(), &kKey, first.ptr(), OBJC_ASSOCIATION_RETAIN);
    objc_setAssociatedObject(object.ptr(), &kOtherKey, second.ptr(), OBJC_ASSOCIATION_ASSIGN);
    EXPECT_EQ(objc_getAssociatedObject(object.ptr(), &kKey).get(), first.ptr());
    EXPECT_EQ(objc_getAssociatedObject(object.ptr(), &kOtherKey).get(), second.ptr());
    objc_setAssociatedObject(object.ptr(), &kOtherKey, nullptr, OBJC_ASSOCIATION_ASSIGN);
    EXPECT_EQ(objc_getAssociatedObject(object.ptr(), &kKey).get(), first.ptr());
}

TEST(AssociatedObject, KeepAliveUnderTheKeyOfShow) {
    // An alert holds its delegate under the address of the `show` selector.
    std::atomic<int> alertDeaths{0}, delegateDeaths{0};
    RefPtr<LifetimeProbe> alert = owner(alertDeaths);
    SEL show = sel_registerName("show");
    EXPECT_EQ(show, sel_registerName(std::string("sh").append("ow").c_str()));
    objc_setAssociatedObject(alert.get(), show, LifetimeProbe::create(delegateDeaths).ptr(),
                             OBJC_ASSOCIATION_RETAIN);
    EXPECT_EQ(delegateDeaths, 0);
    alert = nullptr;
    EXPECT_EQ(delegateDeaths, 1);
}

TEST(AssociatedObject, NilOwnerAndWrongTypeReadAsNil) {
    std::atomic<int> deaths{0};
    auto value = LifetimeProbe::create(deaths);
    objc_setAssociatedObject(nullptr, &kKey, value.ptr(), OBJC_ASSOCIATION_RETAIN);
    EXPECT_EQ(value->retainCount(), 1u);
    EXPECT_FALSE(objc_getAssociatedObject(nullptr, &kKey));

    auto object = owner(deaths);
    objc_setAssociatedObject(object.ptr(), &kKey, value.ptr(), OBJC_ASSOCIATION_RETAIN);
    EXPECT_FALSE(associatedObject<NS::String>(object.ptr(), &kKey));
    EXPECT_TRUE(associatedObject<LifetimeProbe>(object.ptr(), &kKey));
}

TEST(AssociatedObject, RemoveAllReleasesEveryValue) {
    std::atomic<int> ownerDeaths{0}, deaths{0};
    auto object = owner(ownerDeaths);
    objc_setAssociatedObject(object.ptr(), &kKey, LifetimeProbe::create(deaths).ptr(),
                             OBJC_ASSOCIATION_RETAIN);
    objc_setAssociatedObject(object.ptr(), &kOtherKey, LifetimeProbe::create(deaths).ptr(),
                             OBJC_ASSOCIATION_COPY);
    EXPECT_EQ(deaths, 1) << "only the original of the copied value is gone";
    objc_removeAssociatedObjects(object.ptr());
    EXPECT_EQ(deaths, 3);
    EXPECT_FALSE(objc_getAssociatedObject(object.ptr(), &kKey));
    // The owner can take new associations afterwards.
    objc_setAssociatedObject(object.ptr(), &kKey, LifetimeProbe::create(deaths).ptr(),
                             OBJC_ASSOCIATION_RETAIN);
    EXPECT_TRUE(objc_getAssociatedObject(object.ptr(), &kKey));
}

// A value that, while it is released, sets an association on the same owner: the runtime
// must release outside its lock, or this deadlocks.
class Reentrant : public Object {
public:
    explicit Reentrant(const Object& owner) : m_owner(owner) {}
    ~Reentrant() override {
        objc_setAssociatedObject(&m_owner, &kOtherKey, nullptr, OBJC_ASSOCIATION_RETAIN);
    }

private:
    const Object& m_owner;
};

TEST(AssociatedObject, ReleasingAValueMayReenterTheOwner) {
    std::atomic<int> deaths{0};
    auto object = owner(deaths);
    objc_setAssociatedObject(object.ptr(), &kKey, adopt(new Reentrant(object.get())).ptr(),
                             OBJC_ASSOCIATION_RETAIN);
    objc_setAssociatedObject(object.ptr(), &kKey, nullptr, OBJC_ASSOCIATION_RETAIN);
    EXPECT_FALSE(objc_getAssociatedObject(object.ptr(), &kKey));
}

} // namespace
