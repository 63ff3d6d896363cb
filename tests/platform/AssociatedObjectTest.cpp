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

TEST(AssociatedObject, AssignDoesNotRetainAndReadsNilOnceTheValueIsGone) {
    std::atomic<int> deaths{0};
    auto owner = LifetimeProbe::create(deaths);
    RefPtr<LifetimeProbe> value = LifetimeProbe::create(deaths);
    objc_setAssociatedObject(owner.ptr(), &kKey, value.get(), OBJC_ASSOCIATION_ASSIGN);
    EXPECT_EQ(value->retainCount(), 1u);
    EXPECT_EQ(objc_getAssociatedObject(owner.ptr(), &kKey), value);
    value = nullptr;
    EXPECT_EQ(deaths, 1);
    EXPECT_FALSE(objc_getAssociatedObject(owner.ptr(), &kKey));
}

class Retaining : public ::testing::TestWithParam<AssociationPolicy> {};

TEST_P(Retaining, KeepsTheValueUntilTheOwnerDiesThenReleasesItOnce) {
    std::atomic<int> ownerDeaths{0}, valueDeaths{0};
    RefPtr<LifetimeProbe> owner = LifetimeProbe::create(ownerDeaths);
    objc_setAssociatedObject(owner.get(), &kKey, LifetimeProbe::create(valueDeaths).ptr(),
                             GetParam());
    EXPECT_EQ(valueDeaths, 0);
    EXPECT_TRUE(objc_getAssociatedObject(owner.get(), &kKey));
    owner = nullptr;
    EXPECT_EQ(ownerDeaths, 1);
    EXPECT_EQ(valueDeaths, 1);
}

INSTANTIATE_TEST_SUITE_P(Policies, Retaining,
                         ::testing::Values(OBJC_ASSOCIATION_RETAIN_NONATOMIC,
                                           OBJC_ASSOCIATION_RETAIN));

class Copying : public ::testing::TestWithParam<AssociationPolicy> {};

TEST_P(Copying, KeepsACopyAndReleasesItWithTheOwner) {
    std::atomic<int> ownerDeaths{0}, valueDeaths{0};
    RefPtr<LifetimeProbe> owner = LifetimeProbe::create(ownerDeaths);
    auto original = LifetimeProbe::create(valueDeaths);
    objc_setAssociatedObject(owner.get(), &kKey, original.ptr(), GetParam());
    EXPECT_EQ(original->copies, 1);
    EXPECT_EQ(original->retainCount(), 1u) << "the original is not kept";
    EXPECT_NE(objc_getAssociatedObject(owner.get(), &kKey).get(), original.ptr());
    owner = nullptr;
    EXPECT_EQ(valueDeaths, 1) << "the copy dies with the owner, the original lives on";
}

INSTANTIATE_TEST_SUITE_P(Policies, Copying,
                         ::testing::Values(OBJC_ASSOCIATION_COPY_NONATOMIC, OBJC_ASSOCIATION_COPY));

TEST(AssociatedObject, PoliciesHaveTheDevicesValuesAndCopyingADictionaryIsASnapshot) {
    EXPECT_EQ(static_cast<int>(OBJC_ASSOCIATION_RETAIN), 769);
    EXPECT_EQ(static_cast<int>(OBJC_ASSOCIATION_COPY), 771);
    std::atomic<int> deaths{0};
    auto owner = LifetimeProbe::create(deaths);
    auto dictionary = NS::MutableDictionary::dictionary();
    dictionary->setObjectForKey(NS::str("one"), "a");
    objc_setAssociatedObject(owner.ptr(), &kKey, dictionary.ptr(), OBJC_ASSOCIATION_COPY);
    dictionary->setObjectForKey(NS::str("two"), "b");
    auto kept = associatedObject<NS::Dictionary>(owner.ptr(), &kKey);
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->count(), 1u);
    EXPECT_FALSE(dynamic_cast<NS::MutableDictionary*>(kept.get()));
}

TEST(AssociatedObject, ReplacingOrSettingNilReleasesTheOldValueAtOnce) {
    std::atomic<int> deaths{0}, oldDeaths{0}, newDeaths{0};
    auto owner = LifetimeProbe::create(deaths);
    objc_setAssociatedObject(owner.ptr(), &kKey, LifetimeProbe::create(oldDeaths).ptr(),
                             OBJC_ASSOCIATION_RETAIN_NONATOMIC);
    objc_setAssociatedObject(owner.ptr(), &kKey, LifetimeProbe::create(newDeaths).ptr(),
                             OBJC_ASSOCIATION_RETAIN_NONATOMIC);
    EXPECT_EQ(oldDeaths, 1);
    EXPECT_EQ(newDeaths, 0);
    objc_setAssociatedObject(owner.ptr(), &kKey, nullptr, OBJC_ASSOCIATION_RETAIN);
    EXPECT_EQ(newDeaths, 1);
    EXPECT_FALSE(objc_getAssociatedObject(owner.ptr(), &kKey));
}

TEST(AssociatedObject, RemoveAllReleasesEveryKeysValue) {
    std::atomic<int> ownerDeaths{0}, deaths{0};
    auto owner = LifetimeProbe::create(ownerDeaths);
    objc_setAssociatedObject(owner.ptr(), &kKey, LifetimeProbe::create(deaths).ptr(),
                             OBJC_ASSOCIATION_RETAIN);
    objc_setAssociatedObject(owner.ptr(), &kOtherKey, LifetimeProbe::create(deaths).ptr(),
                             OBJC_ASSOCIATION_COPY);
    EXPECT_EQ(deaths, 1) << "only the original of the copied value is gone";
    EXPECT_TRUE(objc_getAssociatedObject(owner.ptr(), &kKey)) << "keys are independent";
    objc_removeAssociatedObjects(owner.ptr());
    EXPECT_EQ(deaths, 3);
    EXPECT_FALSE(objc_getAssociatedObject(owner.ptr(), &kKey));
    objc_setAssociatedObject(owner.ptr(), &kKey, LifetimeProbe::create(deaths).ptr(),
                             OBJC_ASSOCIATION_RETAIN);
    EXPECT_TRUE(objc_getAssociatedObject(owner.ptr(), &kKey)) << "and can take new ones";
}

TEST(AssociatedObject, NilOwnerAndWrongTypeReadAsNil) {
    std::atomic<int> deaths{0};
    auto value = LifetimeProbe::create(deaths);
    objc_setAssociatedObject(nullptr, &kKey, value.ptr(), OBJC_ASSOCIATION_RETAIN);
    EXPECT_EQ(value->retainCount(), 1u);
    EXPECT_FALSE(objc_getAssociatedObject(nullptr, &kKey));

    auto owner = LifetimeProbe::create(deaths);
    objc_setAssociatedObject(owner.ptr(), &kKey, value.ptr(), OBJC_ASSOCIATION_RETAIN);
    EXPECT_FALSE(associatedObject<NS::String>(owner.ptr(), &kKey));
    EXPECT_TRUE(associatedObject<LifetimeProbe>(owner.ptr(), &kKey));
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
    auto owner = LifetimeProbe::create(deaths);
    objc_setAssociatedObject(owner.ptr(), &kKey, adopt(new Reentrant(owner.get())).ptr(),
                             OBJC_ASSOCIATION_RETAIN);
    objc_setAssociatedObject(owner.ptr(), &kKey, nullptr, OBJC_ASSOCIATION_RETAIN);
    EXPECT_FALSE(objc_getAssociatedObject(owner.ptr(), &kKey));
}

} // namespace
