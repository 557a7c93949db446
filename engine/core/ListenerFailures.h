#pragma once

#include <cstdio>
#include <exception>

namespace Orva {

// The failures of one dispatch: every listener still runs; the first failure is kept to be
// rethrown once all have run, and later ones are reported on stderr under the sender's tag.
class ListenerFailures
{
public:
    explicit ListenerFailures(const char* tag) noexcept : tag_(tag) {}

    template <class Call> void run(Call&& call) noexcept
    {
        try {
            call();
        } catch (...) {
            if (first_) {
                reportFurther();
            } else {
                first_ = std::current_exception();
            }
        }
    }

    void rethrowFirst() const
    {
        if (first_) {
            std::rethrow_exception(first_);
        }
    }

private:
    // Inside the handler of the failure being reported.
    void reportFurther() const noexcept
    {
        try {
            throw;
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s: a further listener failed in the same dispatch: %s\n", tag_, e.what());
        } catch (...) {
            std::fprintf(stderr, "%s: a further listener failed in the same dispatch\n", tag_);
        }
    }

    const char* tag_;
    std::exception_ptr first_;
};

} // namespace Orva
