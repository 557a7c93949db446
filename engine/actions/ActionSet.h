#pragma once

#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "core/Export.h"
#include "core/MemoryPoolManager.h"
#include "core/OrvaAllocator.h"
#include "core/Reflectable.h"
#include "core/Vector.h"

namespace tinyxml2 {
class XMLElement;
}

namespace Orva {
class GameObject;
}

// Action sets: named templates of action trees, kept as XML files, from which a fresh runtime
// tree is built for an object each time the set is attached to it. The nodes below are the
// template; the same classes serve an editor, which builds, changes and writes them back.
namespace Orva::Actions {

class ActionBase;
class ActionComplex;
class ActionSetDelay;
class ActionSetGroup;
class ActionSetLuaCallback;
class ActionSetSequence;
class ActionSetTweenFloat;
class ActionSetTweenVector3f;

class ORVA_API ActionSetBase
{
public:
    ActionSetBase() = default;
    ActionSetBase(const ActionSetBase&) = delete;
    ActionSetBase& operator=(const ActionSetBase&) = delete;
    virtual ~ActionSetBase();

    // Writes the node as XML, every line starting with two blanks per indent level; numbers in
    // the stream's own format, attribute values escaped.
    virtual void write(std::ostream& out, int indent) const = 0;
    // A new runtime action for the object, owned by the caller; null when the node can build
    // nothing for it (no target component, a kind or ease out of range). A callback node
    // whose script component is missing, or whose function is not one, throws the script
    // error event (LuaExceptionEvent); a container then frees what it had built.
    virtual ActionBase* create(GameObject* object) const = 0;
    virtual const char* getDisplayName() const = 0;
    // The fields an editor shows, by name; none for most kinds.
    virtual ReflectionMap getReflectibles();
};

// A node holding others, which it owns.
class ORVA_API ActionSetComplex : public ActionSetBase
{
public:
    using ChildList = std::vector<ActionSetBase*, OrvaAllocator<ActionSetBase*>>;

    ActionSetComplex() = default;
    ~ActionSetComplex() override;

    // Each appends a new node with the editing defaults and returns it.
    ActionSetGroup* addGroupAction();
    ActionSetSequence* addSequenceAction();
    ActionSetDelay* addDelayAction();
    ActionSetLuaCallback* addLuaCallbackAction();
    ActionSetTweenFloat* addTweenFloatAction();
    ActionSetTweenVector3f* addTweenVector3fAction();
    // Deletes the first child that is the node, keeping the others' order; nothing for a node
    // that is not a child.
    void removeActionSet(ActionSetBase* node);

    const ChildList& getChildren() const noexcept { return children_; }

protected:
    void writeChildren(std::ostream& out, int indent) const;
    // Adds the runtime action of every child that builds one, in order.
    void createChildren(ActionComplex& container, GameObject* object) const;

private:
    template <class Node> Node* append(std::unique_ptr<Node> node);

    ChildList children_;
};

// Children one after another; repeat -1 loops for ever, n > 0 runs them n + 1 times.
class ORVA_API ActionSetSequence final : public ActionSetComplex
{
public:
    ORVA_POOLED_OPERATORS_WITH_ARRAYS(ActionSetSequence)

    void write(std::ostream& out, int indent) const override;
    ActionBase* create(GameObject* object) const override;
    const char* getDisplayName() const override { return "Sequence"; }

    int repeat = 0;
};

// Children side by side.
class ORVA_API ActionSetGroup final : public ActionSetComplex
{
public:
    ORVA_POOLED_OPERATORS_WITH_ARRAYS(ActionSetGroup)

    void write(std::ostream& out, int indent) const override;
    ActionBase* create(GameObject* object) const override;
    const char* getDisplayName() const override { return "Group"; }
};

// A wait of duration seconds, moved by up to rand seconds either way at each build: the next
// value r of the engine's generator gives duration + rand × ((r mod 200) × 0.01 − 1).
class ORVA_API ActionSetDelay final : public ActionSetBase
{
public:
    ORVA_POOLED_OPERATORS_WITH_ARRAYS(ActionSetDelay)

    void write(std::ostream& out, int indent) const override;
    ActionBase* create(GameObject* object) const override;
    const char* getDisplayName() const override { return "Delay"; }
    // "Delay": the duration.
    ReflectionMap getReflectibles() override;

    float duration = 1.0f;
    float rand = 0.0f;
};

// A call of the function func of the object's script component of class scriptClass.
class ORVA_API ActionSetLuaCallback final : public ActionSetBase
{
public:
    ORVA_POOLED_OPERATORS_WITH_ARRAYS(ActionSetLuaCallback)

    void write(std::ostream& out, int indent) const override;
    ActionBase* create(GameObject* object) const override;
    const char* getDisplayName() const override { return "Lua Callback"; }
    // "LuaFunctionName" and "LuaScriptClass".
    ReflectionMap getReflectibles() override;

    std::string func;
    std::string scriptClass;
};

// A tween of a component field: mode 0 builds the To tween of the ease (0 Linear to 9
// CubicInOut, as Ease counts), any other mode the By tween, over time seconds. type picks the
// component (0 transform, 1 sprite) and option its field.
class ORVA_API ActionSetTween : public ActionSetBase
{
public:
    void write(std::ostream& out, int indent) const override;

    int mode = 0;
    int ease = 0;
    float time = 0.0f;
    int type = 0;
    int option = 0;
    // The object whose field a float tween changes when useParent is false.
    std::string goToUse;
    bool useParent = true;

protected:
    // The kind in the file, and the value's attributes after goToUse.
    virtual const char* kind() const = 0;
    virtual void writeValue(std::ostream& out) const = 0;
    // The tween of this node's mode and ease on the field; null without a field or for an
    // ease out of range.
    template <class T> ActionBase* makeTween(T* field, const T& value) const;
};

// Options of type 0: local translation x, y, z, local scale x, y, z, local rotation; of
// type 1: colour r, g, b, a. Changes the object attached to, or the first object named goToUse
// when useParent is false.
class ORVA_API ActionSetTweenFloat final : public ActionSetTween
{
public:
    ORVA_POOLED_OPERATORS_WITH_ARRAYS(ActionSetTweenFloat)

    ActionBase* create(GameObject* object) const override;
    const char* getDisplayName() const override { return "Tween Float"; }

    float val = 0.0f;

protected:
    const char* kind() const override { return "float"; }
    void writeValue(std::ostream& out) const override;
};

// Options of type 0: local translation, local scale; of type 1: size, colour r, g, b. Always
// changes the object attached to: useParent and goToUse are only kept.
class ORVA_API ActionSetTweenVector3f final : public ActionSetTween
{
public:
    ORVA_POOLED_OPERATORS_WITH_ARRAYS(ActionSetTweenVector3f)

    ActionBase* create(GameObject* object) const override;
    const char* getDisplayName() const override { return "Tween Vector3f"; }

    Math::Vector3D<float> value{};

protected:
    const char* kind() const override { return "vec"; }
    void writeValue(std::ostream& out) const override;
};

// The set whose root is the element, read as a sequence whatever its "type" says.
ORVA_API std::unique_ptr<ActionSetSequence> readActionSet(const tinyxml2::XMLElement& root);

// The text of an attribute value: &, <, > and " escaped, every other byte as it is.
ORVA_API std::string escapeAttribute(const std::string& text);

} // namespace Orva::Actions
