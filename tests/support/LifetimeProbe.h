// An object that counts its own destructions, so that tests can check lifetimes at their
// edges: freed exactly once, freed together with its owner, never freed too early.
#pragma once

#include "objc/Object.h"

#include <atomic>

class LifetimeProbe : public objc::Object {
public:
    static objc::Ref<LifetimeProbe> create(std::atomic<int>& deaths) {
        return objc::adopt(new LifetimeProbe(deaths));
    }

protected:
    explicit LifetimeProbe(std::atomic<int>& deaths) : m_deaths(deaths) {}
    ~LifetimeProbe() override { ++m_deaths; }

private:
    std::atomic<int>& m_deaths;
};
