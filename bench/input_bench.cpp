// One input frame step with 100 key-to-action pairings and 400 action listeners (every
// action listened to in all four states), half of the bound keys held down.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "core/EventCallbackObject.h"
#include "core/FunctionHolder.h"
#include "core/MemoryPoolManager.h"
#include "platform/ControllerBackend.h"
#include "window/InputKeys.h"
#include "window/InputManager.h"

namespace {

// No pads: the step measured is the manager's own work.
class NoPads final : public Orva::Platform::ControllerBackend
{
public:
    bool getState(DWORD, XINPUT_STATE&) override { return false; }
    bool setState(DWORD, const XINPUT_VIBRATION&) override { return false; }
};

struct Listener
{
    Orva::EventCallbackObject callbacks;
    std::uint64_t calls = 0;

    Orva::EventCallbackObject& getEventCallbackObject() { return callbacks; }
    void onInput(Orva::BaseEvent*) { ++calls; }
};

constexpr int Pairings = 100;

void inputUpdate(benchmark::State& state)
{
    Orva::MemoryPoolManager::createInstance();
    NoPads pads;
    Orva::Platform::Test::setControllerBackend(&pads);
    Orva::InputManager::linkInstance(new Orva::InputManager);
    Orva::InputManager& input = Orva::InputManager::getInstance();
    {
        Listener listener;
        for (int pairing = 0; pairing < Pairings; ++pairing) {
            const std::string action = "Action" + std::to_string(pairing);
            input.tieKeyToAction(static_cast<unsigned char>(pairing), action);
            input.listenToInput(action, Orva::FunctionHolder(&listener, &Listener::onInput));
            Orva::WindowKeyStates[pairing] = pairing % 2;
        }
        for (auto _ : state) {
            Orva::InputManager::update(0.016f);
        }
        benchmark::DoNotOptimize(listener.calls);
        state.counters["listener calls"] =
            benchmark::Counter(static_cast<double>(listener.calls), benchmark::Counter::kAvgIterations);
    }
    Orva::InputManager::destroyInstance();
    Orva::Platform::Test::setControllerBackend(nullptr);
    Orva::MemoryPoolManager::destroyInstance();
}

} // namespace

BENCHMARK(inputUpdate);

BENCHMARK_MAIN();
