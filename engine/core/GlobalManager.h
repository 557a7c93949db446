#pragma once

#include <iosfwd>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <type_traits>

#include "core/Export.h"
#include "core/MemoryPoolManager.h"
#include "core/Singleton.h"
#include "core/TypeName.h"
#include "core/Vector.h"

namespace Orva {

namespace detail {

template <class T>
inline constexpr bool isGlobalVector =
    std::is_same_v<T, Math::Vector2D<float>> || std::is_same_v<T, Math::Vector2D<int>> ||
    std::is_same_v<T, Math::Vector2D<unsigned int>> || std::is_same_v<T, Math::Vector3D<float>> ||
    std::is_same_v<T, Math::Vector3D<int>> || std::is_same_v<T, Math::Vector3D<unsigned int>>;

} // namespace detail

// The ten types a global can hold.
template <class T>
concept GlobalValueType = std::is_same_v<T, int> || std::is_same_v<T, float> || std::is_same_v<T, double> ||
    std::is_same_v<T, std::string> || detail::isGlobalVector<T>;

// Named, typed values that outlive game states: a script stores a score under a name, and
// any other script or engine code reads it back by that name. Also home of the world's
// unit size.
class ORVA_API GlobalManager : public Singleton<GlobalManager>
{
public:
    ORVA_POOLED_OPERATORS(GlobalManager)

    struct ORVA_API GlobalConcept
    {
        virtual ~GlobalConcept();
        // Writes the value to the standard output and returns that stream.
        virtual std::ostream& print() const = 0;
    };

    template <GlobalValueType T, class = void> struct GlobalModel final : GlobalConcept
    {
        ORVA_POOLED_OPERATORS(GlobalModel)

        explicit GlobalModel(const T& value) : value(value) {}
        std::ostream& print() const override;

        T value;
    };

    // Pixels per world unit and its reciprocal; the engine's start-up sets them from its
    // configuration.
    static float ObjectUnitSize;
    static float InverseObjectUnitSize;

    // Stores a fresh copy under the name, replacing any value of any type held before.
    template <GlobalValueType T> void add(const std::string& name, const T& value)
    {
        auto model = std::make_unique<GlobalModel<T>>(value);
        globals_[name] = std::move(model);
    }

    // The value stored under the name: numbers and strings as copies, vectors by reference
    // (valid until the name is next added, removed or cleared). Throws std::runtime_error
    // naming the global and T when the name is absent or holds another type.
    template <GlobalValueType T>
    std::conditional_t<detail::isGlobalVector<T>, T&, T> get(const std::string& name)
    {
        return modelOf<T>(name).value;
    }

    bool exist(const std::string& name) const { return globals_.contains(name); }
    void remove(const std::string& name) { globals_.erase(name); }
    void clear() noexcept { globals_.clear(); }
    // Writes "[name] : value" and a line end per global, in name order, to the standard output.
    void dumpGlobals() const;

private:
    template <GlobalValueType T> GlobalModel<T>& modelOf(const std::string& name)
    {
        const auto found = globals_.find(name);
        if (found == globals_.end()) {
            throwMissing(name, typeName<T>(), "is not stored");
        }
        auto* model = dynamic_cast<GlobalModel<T>*>(found->second.get());
        if (!model) {
            throwMissing(name, typeName<T>(), "holds another type");
        }
        return *model;
    }

    [[noreturn]] static void throwMissing(const std::string& name, const std::string& type,
                                          const char* reason);

    std::map<std::string, std::unique_ptr<GlobalConcept>> globals_;
};

// The models are built once, in the engine library.
extern template struct GlobalManager::GlobalModel<int>;
extern template struct GlobalManager::GlobalModel<float>;
extern template struct GlobalManager::GlobalModel<double>;
extern template struct GlobalManager::GlobalModel<std::string>;
extern template struct GlobalManager::GlobalModel<Math::Vector2D<float>>;
extern template struct GlobalManager::GlobalModel<Math::Vector2D<int>>;
extern template struct GlobalManager::GlobalModel<Math::Vector2D<unsigned int>>;
extern template struct GlobalManager::GlobalModel<Math::Vector3D<float>>;
extern template struct GlobalManager::GlobalModel<Math::Vector3D<int>>;
extern template struct GlobalManager::GlobalModel<Math::Vector3D<unsigned int>>;

} // namespace Orva
