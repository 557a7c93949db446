#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "core/MemoryPoolManager.h"

// Gives each test a fresh manager as the instance and destroys it afterwards, the way the
// engine's start-up and shut-down bracket every pooled allocation.
class PooledTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_FALSE(Orva::MemoryPoolManager::hasInstance()) << "a previous test leaked the manager";
        manager_ = &Orva::MemoryPoolManager::createInstance();
    }

    void TearDown() override { Orva::MemoryPoolManager::destroyInstance(); }

    Orva::MemoryPoolManager& manager() { return *manager_; }

    static std::string dump()
    {
        std::ostringstream out;
        Orva::MemoryPoolManager::MemoryDump(out);
        return out.str();
    }

private:
    Orva::MemoryPoolManager* manager_ = nullptr;
};
