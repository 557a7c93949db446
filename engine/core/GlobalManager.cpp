#include "core/GlobalManager.h"

#include <iostream>

namespace Orva {

namespace {

template <class T> void printValue(std::ostream& out, const T& value)
{
    out << value;
}

// A 2-D vector's line ends in "] ", a 3-D vector's in "]": scripts' dumps have always
// looked that way.
template <class T> void printValue(std::ostream& out, const Math::Vector2D<T>& v)
{
    out << '[' << v.x << ',' << v.y << "] ";
}

template <class T> void printValue(std::ostream& out, const Math::Vector3D<T>& v)
{
    out << '[' << v.x << ',' << v.y << ',' << v.z << ']';
}

} // namespace

float GlobalManager::ObjectUnitSize = 1.0f;
float GlobalManager::InverseObjectUnitSize = 1.0f;

GlobalManager::GlobalConcept::~GlobalConcept() = default;

template <GlobalValueType T, class U> std::ostream& GlobalManager::GlobalModel<T, U>::print() const
{
    printValue(std::cout, value);
    return std::cout;
}

template struct GlobalManager::GlobalModel<int>;
template struct GlobalManager::GlobalModel<float>;
template struct GlobalManager::GlobalModel<double>;
template struct GlobalManager::GlobalModel<std::string>;
template struct GlobalManager::GlobalModel<Math::Vector2D<float>>;
template struct GlobalManager::GlobalModel<Math::Vector2D<int>>;
template struct GlobalManager::GlobalModel<Math::Vector2D<unsigned int>>;
template struct GlobalManager::GlobalModel<Math::Vector3D<float>>;
template struct GlobalManager::GlobalModel<Math::Vector3D<int>>;
template struct GlobalManager::GlobalModel<Math::Vector3D<unsigned int>>;

void GlobalManager::dumpGlobals() const
{
    for (const auto& [name, model] : globals_) {
        std::cout << '[' << name << "] : ";
        model->print() << std::endl;
    }
}

void GlobalManager::throwMissing(const std::string& name, const std::string& type, const char* reason)
{
    throw std::runtime_error("GlobalManager::get<" + type + ">: the global \"" + name + "\" " + reason);
}

} // namespace Orva
