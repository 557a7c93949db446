#pragma once

#include <array>
#include <map>
#include <string>
#include <vector>

#include "core/Export.h"
#include "core/MemoryPoolManager.h"
#include "core/Singleton.h"
#include "core/Vector.h"
#include "world/ComponentDeserializers.h"

namespace Orva {

class GameObject;

// Object sets: prototype objects kept as the text of their files, resource directory +
// "data/<set name>.set" (plain XML whose root is one `obj` element), instantiated by name.
// The set name is the file name up to its last '.'.
class ORVA_API SetManager : public Singleton<SetManager>
{
public:
    ORVA_POOLED_OPERATORS(SetManager)

    static constexpr const char* SetFolder = "data/";
    static constexpr const char* SetExtension = ".set";

    struct SetRecord
    {
        // The whole file, as read.
        std::string text;
        // By object XML component number: found on a `comp` child of the root `obj`.
        std::array<bool, XmlComponentTypeSlots> hasComponentType{};
    };
    using SetMap = std::map<std::string, SetRecord>;

    SetManager() = default;
    SetManager(const SetManager&) = delete;
    SetManager& operator=(const SetManager&) = delete;

    // Reads every set file, in byte order of the file names. A name already held keeps its
    // text; an unreadable file is skipped.
    void loadAllSets();
    // Queues the textures that the sets' sprites name (see the source for the walk).
    void loadAllSetTextures();
    // Writes every set's text back to its file unchanged; a file that cannot be written is
    // skipped.
    void saveAllSets() const;

    // A new object built from the set; null when there is no such set, its text has no root
    // `obj`, or the set is already being instantiated further up (a set that nests itself).
    GameObject* createFromSet(const std::string& setName);
    // The same, then the local translation x and y (and z) take the position; z of the
    // two-component form stays the prototype's.
    GameObject* createFromSet(const std::string& setName, const Math::Vector2D<float>& position);
    GameObject* createFromSet(const std::string& setName, const Math::Vector3D<float>& position);

    // A copy of the set's text; "" when there is no set of that name.
    std::string operator[](const std::string& setName) const;
    // Forgets the set; its file stays.
    void deleteSet(const std::string& setName);
    void clear();

    const SetMap& getSets() const noexcept { return sets_; }

private:
    template <class Place> GameObject* instantiate(const std::string& setName, Place&& place);

    SetMap sets_;
    // The sets being instantiated, outermost first.
    std::vector<std::string> instantiating_;
};

} // namespace Orva
