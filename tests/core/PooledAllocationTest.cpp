#include <gtest/gtest.h>

#include <cstdint>
#include <list>
#include <new>
#include <vector>

#include "PoolFixture.h"
#include "core/MemoryPoolManager.h"
#include "core/OrvaAllocator.h"
#include "core/TypeName.h"
#include "core/Vector.h"

using Orva::MemoryPoolManager;
using Orva::OrvaAllocator;
using Orva::typeName;

namespace PoolProbe {

struct Single
{
    ORVA_POOLED_OPERATORS(Single)
    std::int64_t a = 0, b = 0, c = 0;
};

struct SameSizeOther
{
    ORVA_POOLED_OPERATORS(SameSizeOther)
    std::int64_t a = 0, b = 0, c = 0;
};

struct Element
{
    ORVA_POOLED_OPERATORS_WITH_ARRAYS(Element)
    // A destructor makes the compiler store the element count in front of an array.
    ~Element() { value = 0; }
    std::int64_t value = 7, other = 0;
};

struct Word
{
    ORVA_POOLED_OPERATORS_WITH_ARRAYS(Word)
    std::int64_t value = 0;
};

struct Base
{
    ORVA_POOLED_OPERATORS_WITH_ARRAYS(Base)
    virtual ~Base() = default;
    int id = 1;
};

struct Derived : Base
{
    ORVA_POOLED_OPERATORS(Derived)
    std::int64_t extra[8] = {};
};

struct Bulky
{
    ORVA_POOLED_OPERATORS(Bulky)
    unsigned char bytes[600] = {};
};

template <class T> struct Holder
{
    ORVA_POOLED_OPERATORS(Holder)
    T held{};
};

} // namespace PoolProbe

using namespace PoolProbe;

using PooledOperators = PooledTest;

TEST_F(PooledOperators, CountAnObjectUnderItsReadableNameWhileItLives)
{
    EXPECT_EQ(typeName<Single>(), "PoolProbe::Single");
    auto* object = new Single;
    EXPECT_EQ(manager().liveCount("PoolProbe::Single"), 1);
    EXPECT_NE(dump().find("\tPoolProbe::Single has : 1 number"), std::string::npos);
    delete object;
    EXPECT_EQ(manager().liveCount("PoolProbe::Single"), 0);
    EXPECT_EQ(dump().find("PoolProbe::Single"), std::string::npos);
}

// A class's count is looked up once per manager: a later manager counts in its own table.
TEST_F(PooledOperators, ALaterManagerCountsInItsOwnTable)
{
    delete new Single;
    MemoryPoolManager::destroyInstance();
    MemoryPoolManager& later = MemoryPoolManager::createInstance();
    auto* object = new Single;
    EXPECT_EQ(later.liveCount("PoolProbe::Single"), 1);
    delete object;
    EXPECT_EQ(later.liveCount("PoolProbe::Single"), 0);
}

TEST_F(PooledOperators, ShareAPoolBetweenClassesOfOneSizeButNotTheirCounts)
{
    static_assert(sizeof(Single) == sizeof(SameSizeOther));
    auto* a = new Single;
    delete a;
    auto* b = new SameSizeOther;
    EXPECT_EQ(static_cast<void*>(b), static_cast<void*>(a)) << "the freed block should be reused";
    EXPECT_EQ(manager().liveCount(typeName<Single>()), 0);
    EXPECT_EQ(manager().liveCount(typeName<SameSizeOther>()), 1);
    EXPECT_EQ(manager().poolForSize(sizeof(Single))->blocksInUse(), 1);
    delete b;
}

TEST_F(PooledOperators, CountAnArrayAsItsWholeRequestOverTheElementSize)
{
    static_assert(sizeof(Element) == 16);
    // 5 elements plus the 8-byte count in front: 88 bytes, which counts as 5.
    Element* elements = new Element[5];
    EXPECT_EQ(manager().liveCount(typeName<Element>()), 5);
    EXPECT_EQ(manager().poolForSize(88)->blocksInUse(), 1);
    EXPECT_EQ(elements[4].value, 7);
    delete[] elements;
    EXPECT_EQ(manager().liveCount(typeName<Element>()), 0);

    // For an 8-byte element the count in front is a whole element: 3 count as 4, and the
    // release takes back the same 4.
    Word* words = new Word[3];
    EXPECT_EQ(manager().liveCount(typeName<Word>()), 4);
    delete[] words;
    EXPECT_EQ(manager().liveCount(typeName<Word>()), 0);
    EXPECT_EQ(manager().poolForSize(32)->blocksInUse(), 0);
}

TEST_F(PooledOperators, DeleteThroughABaseReachesTheMostDerivedClass)
{
    Base* object = new Derived;
    EXPECT_EQ(manager().liveCount(typeName<Derived>()), 1);
    EXPECT_EQ(manager().liveCount(typeName<Base>()), 0);
    delete object;
    EXPECT_EQ(manager().liveCount(typeName<Derived>()), 0);
    EXPECT_EQ(manager().liveCount(typeName<Base>()), 0);
    EXPECT_EQ(manager().poolForSize(sizeof(Derived))->blocksInUse(), 0);
}

TEST_F(PooledOperators, SendObjectsFrom512BytesToTheHeap)
{
    auto* object = new Bulky;
    EXPECT_EQ(manager().liveCount(typeName<Bulky>()), 1);
    EXPECT_EQ(manager().poolForSize(sizeof(Bulky))->blocksInUse(), 0);
    delete object;
    EXPECT_EQ(manager().liveCount(typeName<Bulky>()), 0);
}

TEST_F(PooledOperators, WorkInClassTemplatesAndLeaveNullAndPlacementAlone)
{
    auto* holder = new Holder<Orva::Math::Vector2D<float>>;
    EXPECT_EQ(manager().liveCount("PoolProbe::Holder<Orva::Math::Vector2D<float> >"), 1);
    delete holder;

    Single* none = nullptr;
    delete none;
    EXPECT_EQ(manager().liveCount(typeName<Single>()), 0);

    alignas(Single) unsigned char storage[sizeof(Single)];
    Single* inPlace = ::new (storage) Single;
    inPlace->~Single();
    EXPECT_EQ(manager().liveCount(typeName<Single>()), 0);
}

TEST(TypeName, IsDemangledOnceAndKept)
{
    EXPECT_EQ(typeName<int>(), "int");
    EXPECT_EQ(typeName<Orva::Math::Vector3D<unsigned int>>(), "Orva::Math::Vector3D<unsigned int>");
    EXPECT_EQ(&typeName<Single>(), &typeName<Single>());
    // Const and reference qualifiers name the same type, as typeid does.
    EXPECT_EQ(&typeName<const Single>(), &typeName<const Single>());
    EXPECT_EQ(typeName<const Single>(), typeName<Single>());
    EXPECT_EQ(Orva::demangleTypeName("not a mangled name"), "not a mangled name");
}

using ContainerAllocator = PooledTest;

TEST_F(ContainerAllocator, CountsElementsOfTheCurrentCapacity)
{
    const int before = manager().liveCount(typeName<double>());
    {
        std::vector<double, OrvaAllocator<double>> values;
        values.reserve(10);
        EXPECT_EQ(manager().liveCount(typeName<double>()), before + 10);
        values.reserve(20);
        EXPECT_EQ(manager().liveCount(typeName<double>()), before + 20);
        values.assign(20, 1.5);
    }
    EXPECT_EQ(manager().liveCount(typeName<double>()), before);
}

TEST_F(ContainerAllocator, IgnoresANullRelease)
{
    OrvaAllocator<int> allocator;
    int* block = allocator.allocate(3);
    allocator.deallocate(nullptr, 3);
    EXPECT_EQ(manager().liveCount("int"), 3);
    EXPECT_EQ(manager().poolForSize(12)->blocksInUse(), 1);
    allocator.deallocate(block, 3);
    EXPECT_EQ(manager().liveCount("int"), 0);
}

TEST_F(ContainerAllocator, TakesSmallBuffersFromExactPoolsAndLargerOnesFromTheHeap)
{
    OrvaAllocator<char> allocator;
    char* exact = allocator.allocate(511);
    EXPECT_EQ(manager().poolInSlot(511)->blocksInUse(), 1);
    char* large = allocator.allocate(512);
    EXPECT_EQ(manager().poolInSlot(511)->blocksInUse(), 1);
    EXPECT_EQ(manager().poolForSize(512)->blocksInUse(), 0);
    EXPECT_EQ(manager().liveCount("char"), 1023);
    allocator.deallocate(exact, 511);
    allocator.deallocate(large, 512);
    EXPECT_EQ(manager().liveCount("char"), 0);
}

TEST_F(ContainerAllocator, CountsListNodesUnderTheNodeTypeAndSharesCountsWithPooledClasses)
{
    {
        std::list<Single, OrvaAllocator<Single>> nodes(3);
        // Nodes are counted under the rebound node type, not the element.
        EXPECT_EQ(manager().liveCount(typeName<Single>()), 0);
        EXPECT_NE(dump().find(" has : 3 number of intance(s) not freed."), std::string::npos);

        std::vector<Single, OrvaAllocator<Single>> buffer;
        buffer.reserve(4);
        auto* loose = new Single;
        EXPECT_EQ(manager().liveCount(typeName<Single>()), 5);
        delete loose;
    }
    EXPECT_EQ(manager().liveCount(typeName<Single>()), 0);
    EXPECT_EQ(dump().find(" has : "), std::string::npos);
    EXPECT_TRUE(OrvaAllocator<int>() == OrvaAllocator<double>());
}

TEST_F(ContainerAllocator, RefusesACountWhoseByteSizeOverflows)
{
    OrvaAllocator<std::int64_t> allocator;
    EXPECT_THROW((void)allocator.allocate(SIZE_MAX / 4), std::bad_array_new_length);
    EXPECT_EQ(manager().liveCount(typeName<std::int64_t>()), 0);
}

#if ORVA_ASAN
using PooledBlocksDeathTest = PooledTest;

TEST_F(PooledBlocksDeathTest, TouchingAFreedBlockIsReported)
{
    auto* object = new Single;
    object->a = 1;
    volatile std::int64_t* stale = &object->b;
    delete object;
    EXPECT_DEATH(*stale = 2, "use-after-poison");
}
#endif
