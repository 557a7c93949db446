#include "actions/ActionSet.h"

#include <tinyxml2.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <iterator>
#include <ostream>

#include "actions/ActionContainers.h"
#include "actions/ActionTween.h"
#include "actions/LeafActions.h"
#include "core/Random.h"
#include "core/ScriptEvents.h"
#include "graphics/Color.h"
#include "graphics/SpriteComponent.h"
#include "world/GameObject.h"
#include "world/GameObjectManager.h"
#include "world/TransformComponent.h"
#include "world/XmlValues.h"

namespace Orva::Actions {

using tinyxml2::XMLElement;

namespace {

// Reading -----------------------------------------------------------------------------------

void readChildren(ActionSetComplex& parent, const XMLElement& element);

void readSequence(ActionSetSequence& sequence, const XMLElement& element)
{
    // 11 loops for ever, as -1 does.
    const int repeat = element.IntAttribute("repeat");
    sequence.repeat = repeat == 11 ? -1 : repeat;
    readChildren(sequence, element);
}

// A file's defaults differ from the editing members': a missing useParent reads false.
void readParams(ActionSetTween& tween, const XMLElement& params)
{
    tween.mode = params.IntAttribute("mode");
    tween.ease = params.IntAttribute("ease");
    tween.time = params.FloatAttribute("time");
    tween.type = params.IntAttribute("type");
    tween.option = params.IntAttribute("option");
    tween.useParent = params.BoolAttribute("useParent");
    tween.goToUse = tween.useParent ? std::string() : Xml::text(params, "goToUse");
}

void readChild(ActionSetComplex& parent, const XMLElement& element)
{
    const std::string kind = Xml::text(element, "type");
    if (kind == "seq") {
        readSequence(*parent.addSequenceAction(), element);
    } else if (kind == "grp") {
        readChildren(*parent.addGroupAction(), element);
    } else if (kind == "delay") {
        ActionSetDelay& delay = *parent.addDelayAction();
        delay.duration = element.FloatAttribute("duration");
        delay.rand = element.FloatAttribute("rand");
    } else if (kind == "lua") {
        ActionSetLuaCallback& callback = *parent.addLuaCallbackAction();
        callback.func = Xml::text(element, "func");
        callback.scriptClass = Xml::text(element, "class");
    } else if (kind == "float" || kind == "vec") {
        // Read with every default, a tween would move its object to the origin: skipped.
        const XMLElement* params = element.FirstChildElement("params");
        if (!params) {
            return;
        }
        if (kind == "float") {
            ActionSetTweenFloat& tween = *parent.addTweenFloatAction();
            readParams(tween, *params);
            tween.val = params->FloatAttribute("val");
        } else {
            ActionSetTweenVector3f& tween = *parent.addTweenVector3fAction();
            readParams(tween, *params);
            tween.value = Xml::vector3(*params, "x", "y", "z");
        }
    }
}

void readChildren(ActionSetComplex& parent, const XMLElement& element)
{
    Xml::forEachChild(&element, "action", [&parent](const XMLElement& child) { readChild(parent, child); });
}

// Writing -----------------------------------------------------------------------------------

std::ostream& indented(std::ostream& out, int indent)
{
    for (int i = 0; i < indent; ++i) {
        out << "  ";
    }
    return out;
}

// Building ----------------------------------------------------------------------------------

template <class Tween, class T> ActionBase* newTween(T* target, const T& value, float duration)
{
    return new Tween(target, value, duration);
}

// The tween of the ease (numbered as Ease counts), To or By; null for an ease out of range.
template <class T> ActionBase* newEasedTween(int ease, bool to, T* target, const T& value, float duration)
{
    using Maker = ActionBase* (*)(T*, const T&, float);
#define ORVA_TWEEN_MAKERS(Name, ...)                                                                         \
    {{&newTween<ActionTweenTo##Name<T>, T>, &newTween<ActionTweenBy##Name<T>, T>}},
    static constexpr std::array<std::array<Maker, 2>, 10> makers{{ORVA_TWEEN_EASES(ORVA_TWEEN_MAKERS)}};
#undef ORVA_TWEEN_MAKERS
    static_assert(makers.size() == static_cast<std::size_t>(Ease::CubicInOut) + 1);
    if (ease < 0 || static_cast<std::size_t>(ease) >= makers.size()) {
        return nullptr;
    }
    return makers[static_cast<std::size_t>(ease)][to ? 0 : 1](target, value, duration);
}

// The component a tween's type names: 0 the transform, 1 the sprite.
BaseComponent* tweenedComponent(const GameObject* object, int type)
{
    if (!object) {
        return nullptr;
    }
    switch (type) {
    case 0:
        return object->getComponent<TransformComponent>();
    case 1:
        return object->getComponent<Graphics::SpriteComponent>();
    default:
        return nullptr;
    }
}

// A float field: a property of the component's own list, or one component of a vector or
// colour property (part 0 to 3; -1 for the property itself).
struct FloatField
{
    const char* property;
    int part;
};

constexpr std::array<std::array<FloatField, 7>, 2> FloatFields{{
    {{{"LocalTranslation", 0},
      {"LocalTranslation", 1},
      {"LocalTranslation", 2},
      {"LocalScale", 0},
      {"LocalScale", 1},
      {"LocalScale", 2},
      {"LocalRotationRad", -1}}},
    {{{"Color", 0}, {"Color", 1}, {"Color", 2}, {"Color", 3}, {nullptr, 0}, {nullptr, 0}, {nullptr, 0}}},
}};

constexpr std::array<std::array<const char*, 2>, 2> VectorFields{{
    {"LocalTranslation", "LocalScale"},
    {"Size", "Color"},
}};

template <class Table> bool inTable(const Table& table, int type, int option)
{
    return type >= 0 && static_cast<std::size_t>(type) < table.size() && option >= 0 &&
           static_cast<std::size_t>(option) < table[static_cast<std::size_t>(type)].size();
}

float* floatField(const GameObject* object, int type, int option)
{
    if (!inTable(FloatFields, type, option)) {
        return nullptr;
    }
    const FloatField field = FloatFields[static_cast<std::size_t>(type)][static_cast<std::size_t>(option)];
    BaseComponent* component = tweenedComponent(object, type);
    if (!field.property || !component) {
        return nullptr;
    }
    const ReflectionMap properties = component->getReflectibles();
    if (field.part < 0) {
        return findReflected<float>(properties, field.property);
    }
    if (auto* vector = findReflected<Math::Vector3D<float>>(properties, field.property)) {
        return field.part == 0 ? &vector->x : field.part == 1 ? &vector->y : &vector->z;
    }
    if (auto* color = findReflected<Graphics::Color>(properties, field.property)) {
        const std::array<float*, 4> channels{&color->r, &color->g, &color->b, &color->a};
        return channels[static_cast<std::size_t>(field.part)];
    }
    return nullptr;
}

// A colour's r, g, b lie as a vector's x, y, z: the tween copies them whole.
Math::Vector3D<float>* vectorField(const GameObject* object, int type, int option)
{
    if (!inTable(VectorFields, type, option)) {
        return nullptr;
    }
    BaseComponent* component = tweenedComponent(object, type);
    if (!component) {
        return nullptr;
    }
    const char* property = VectorFields[static_cast<std::size_t>(type)][static_cast<std::size_t>(option)];
    const ReflectionMap properties = component->getReflectibles();
    if (auto* vector = findReflected<Math::Vector3D<float>>(properties, property)) {
        return vector;
    }
    if (auto* color = findReflected<Graphics::Color>(properties, property)) {
        return reinterpret_cast<Math::Vector3D<float>*>(&color->r);
    }
    return nullptr;
}

} // namespace

std::string escapeAttribute(const std::string& text)
{
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&':
            escaped += "&amp;";
            break;
        case '<':
            escaped += "&lt;";
            break;
        case '>':
            escaped += "&gt;";
            break;
        case '"':
            escaped += "&quot;";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

std::unique_ptr<ActionSetSequence> readActionSet(const XMLElement& root)
{
    auto set = std::make_unique<ActionSetSequence>();
    readSequence(*set, root);
    return set;
}

// Nodes -------------------------------------------------------------------------------------

ActionSetBase::~ActionSetBase() = default;

ReflectionMap ActionSetBase::getReflectibles()
{
    return {};
}

ActionSetComplex::~ActionSetComplex()
{
    for (ActionSetBase* child : children_) {
        delete child;
    }
}

template <class Node> Node* ActionSetComplex::append(std::unique_ptr<Node> node)
{
    children_.push_back(node.get());
    return node.release();
}

ActionSetGroup* ActionSetComplex::addGroupAction()
{
    return append(std::make_unique<ActionSetGroup>());
}

ActionSetSequence* ActionSetComplex::addSequenceAction()
{
    return append(std::make_unique<ActionSetSequence>());
}

ActionSetDelay* ActionSetComplex::addDelayAction()
{
    return append(std::make_unique<ActionSetDelay>());
}

ActionSetLuaCallback* ActionSetComplex::addLuaCallbackAction()
{
    return append(std::make_unique<ActionSetLuaCallback>());
}

ActionSetTweenFloat* ActionSetComplex::addTweenFloatAction()
{
    return append(std::make_unique<ActionSetTweenFloat>());
}

ActionSetTweenVector3f* ActionSetComplex::addTweenVector3fAction()
{
    return append(std::make_unique<ActionSetTweenVector3f>());
}

void ActionSetComplex::removeActionSet(ActionSetBase* node)
{
    const auto found = std::find(children_.begin(), children_.end(), node);
    if (found != children_.end()) {
        children_.erase(found);
        delete node;
    }
}

void ActionSetComplex::writeChildren(std::ostream& out, int indent) const
{
    for (const ActionSetBase* child : children_) {
        child->write(out, indent);
    }
}

void ActionSetComplex::createChildren(ActionComplex& container, GameObject* object) const
{
    for (const ActionSetBase* child : children_) {
        container.addAction(child->create(object));
    }
}

void ActionSetSequence::write(std::ostream& out, int indent) const
{
    indented(out, indent) << "<action type=\"seq\" repeat=\"" << repeat << "\" > \n";
    writeChildren(out, indent + 1);
    indented(out, indent) << "</action>\n";
}

ActionBase* ActionSetSequence::create(GameObject* object) const
{
    auto sequence = std::make_unique<ActionSequence>();
    createChildren(*sequence, object);
    if (repeat == -1) {
        sequence->repeatAlways();
    } else if (repeat != 0) {
        sequence->repeatAction(repeat);
    }
    return sequence.release();
}

void ActionSetGroup::write(std::ostream& out, int indent) const
{
    indented(out, indent) << "<action type=\"grp\"> \n";
    writeChildren(out, indent + 1);
    indented(out, indent) << "</action>\n";
}

ActionBase* ActionSetGroup::create(GameObject* object) const
{
    auto group = std::make_unique<ActionGroup>();
    createChildren(*group, object);
    return group.release();
}

void ActionSetDelay::write(std::ostream& out, int indent) const
{
    indented(out, indent) << "<action type=\"delay\" duration=\"" << duration << "\" rand=\"" << rand
                          << "\" />\n";
}

ActionBase* ActionSetDelay::create(GameObject* /*object*/) const
{
    const double factor = (Orva::rand() % 200) * 0.01 - 1.0;
    return new ActionDelay(static_cast<float>(duration + rand * factor));
}

ReflectionMap ActionSetDelay::getReflectibles()
{
    ReflectionMap properties;
    properties.emplace("Delay", Reflectable(duration));
    return properties;
}

void ActionSetLuaCallback::write(std::ostream& out, int indent) const
{
    indented(out, indent) << "<action type=\"lua\" func=\"" << escapeAttribute(func) << "\" class=\""
                          << escapeAttribute(scriptClass) << "\"/> \n";
}

ActionBase* ActionSetLuaCallback::create(GameObject* object) const
{
    LuaScriptComponent* component = object ? object->getLuaScript(scriptClass) : nullptr;
    if (!component) {
        throw LuaExceptionEvent("Error occured when creating Action Set. " + scriptClass +
                                    " script object was not found on GameObject " +
                                    (object ? object->name : std::string()) + "\n",
                                0, std::string());
    }
    return new ActionLuaCallback(component, func);
}

ReflectionMap ActionSetLuaCallback::getReflectibles()
{
    ReflectionMap properties;
    properties.emplace("LuaFunctionName", Reflectable(func));
    properties.emplace("LuaScriptClass", Reflectable(scriptClass));
    return properties;
}

void ActionSetTween::write(std::ostream& out, int indent) const
{
    indented(out, indent) << "<action type=\"" << kind() << "\"> \n";
    indented(out, indent + 1) << "<params mode=\"" << mode << "\" ease=\"" << ease << "\"  time=\"" << time
                              << "\" type=\"" << type << "\" option=\"" << option << "\" useParent=\""
                              << (useParent ? 1 : 0) << "\" goToUse=\"" << escapeAttribute(goToUse) << '"';
    writeValue(out);
    out << " /> \n";
    indented(out, indent) << "</action> \n";
}

template <class T> ActionBase* ActionSetTween::makeTween(T* field, const T& value) const
{
    if (!field) {
        return nullptr;
    }
    return newEasedTween(ease, mode == 0, field, value, time);
}

ActionBase* ActionSetTweenFloat::create(GameObject* object) const
{
    const GameObject* target = object;
    if (!useParent) {
        target = GameObjectManager::hasInstance() ? GameObjectManager::getInstance().find(goToUse) : nullptr;
    }
    return makeTween(floatField(target, type, option), val);
}

void ActionSetTweenFloat::writeValue(std::ostream& out) const
{
    out << " val=\"" << val << '"';
}

ActionBase* ActionSetTweenVector3f::create(GameObject* object) const
{
    return makeTween(vectorField(object, type, option), value);
}

void ActionSetTweenVector3f::writeValue(std::ostream& out) const
{
    out << " x=\"" << value.x << "\" y=\"" << value.y << "\" z=\"" << value.z << '"';
}

} // namespace Orva::Actions
