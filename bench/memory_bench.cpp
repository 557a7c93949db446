// Pooled allocate/release against the global heap, one pair per iteration, at sizes served
// by an exact-size pool (16, 64, 256 bytes) and by a heap-backed size class (1024 bytes).

#include <benchmark/benchmark.h>

#include <cstddef>
#include <new>

#include "core/MemoryPoolManager.h"

namespace {

struct BenchPayload
{
};

// The manager lives for the whole program, as it does for the engine.
Orva::MemoryPoolManager& manager()
{
    static Orva::MemoryPoolManager& instance = Orva::MemoryPoolManager::createInstance();
    return instance;
}

void pooledPair(benchmark::State& state)
{
    manager();
    const auto bytes = static_cast<std::size_t>(state.range(0));
    for (auto _ : state) {
        void* block = Orva::MemoryPoolManager::allocate<BenchPayload>(bytes);
        benchmark::DoNotOptimize(block);
        Orva::MemoryPoolManager::free<BenchPayload>(block, bytes);
    }
}

void heapPair(benchmark::State& state)
{
    const auto bytes = static_cast<std::size_t>(state.range(0));
    for (auto _ : state) {
        void* block = ::operator new(bytes);
        benchmark::DoNotOptimize(block);
        ::operator delete(block, bytes);
    }
}

// Many blocks outstanding at once, released in reverse: the pool's free list against the
// heap's bins under a realistic churn of live objects.
constexpr int batch = 256;

void pooledBatch(benchmark::State& state)
{
    manager();
    const auto bytes = static_cast<std::size_t>(state.range(0));
    void* blocks[batch];
    for (auto _ : state) {
        for (void*& block : blocks) {
            block = Orva::MemoryPoolManager::allocate<BenchPayload>(bytes);
        }
        benchmark::DoNotOptimize(blocks);
        for (int i = batch; i-- > 0;) {
            Orva::MemoryPoolManager::free<BenchPayload>(blocks[i], bytes);
        }
    }
    state.SetItemsProcessed(state.iterations() * batch);
}

void heapBatch(benchmark::State& state)
{
    const auto bytes = static_cast<std::size_t>(state.range(0));
    void* blocks[batch];
    for (auto _ : state) {
        for (void*& block : blocks) {
            block = ::operator new(bytes);
        }
        benchmark::DoNotOptimize(blocks);
        for (int i = batch; i-- > 0;) {
            ::operator delete(blocks[i], bytes);
        }
    }
    state.SetItemsProcessed(state.iterations() * batch);
}

} // namespace

BENCHMARK(pooledPair)->Arg(16)->Arg(64)->Arg(256)->Arg(1024);
BENCHMARK(heapPair)->Arg(16)->Arg(64)->Arg(256)->Arg(1024);
BENCHMARK(pooledBatch)->Arg(16)->Arg(64)->Arg(256)->Arg(1024);
BENCHMARK(heapBatch)->Arg(16)->Arg(64)->Arg(256)->Arg(1024);

BENCHMARK_MAIN();
