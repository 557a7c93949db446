#include "ReferenceText.h"

#include <algorithm>
#include <cstdlib>
#include <set>
#include <sstream>

namespace Orva::Tools {

namespace {

using luabridge::BoundClass;
using luabridge::BoundMember;
using luabridge::BoundNamespace;
using Kind = BoundMember::Kind;

constexpr const char* GlobalPrefix = "global:";
constexpr const char* FieldPrefix = "field:";
constexpr const char* CallbackPrefix = "callback:";

std::string trimmed(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// The first word of text, and the rest, trimmed.
std::pair<std::string, std::string> firstWord(const std::string& text)
{
    const std::size_t end = text.find_first_of(" \t");
    if (end == std::string::npos) {
        return {text, {}};
    }
    return {text.substr(0, end), trimmed(text.substr(end))};
}

bool startsWith(const std::string& text, const std::string& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

// "Math.Vector{2f,3f}.dot" stands for "Math.Vector2f.dot" and "Math.Vector3f.dot"; groups
// may follow one another, not nest.
std::vector<std::string> expanded(const std::string& key)
{
    const std::size_t open = key.find('{');
    const std::size_t close = key.find('}', open);
    if (open == std::string::npos || close == std::string::npos) {
        return {key};
    }
    std::vector<std::string> names;
    const std::string choices = key.substr(open + 1, close - open - 1);
    for (std::size_t start = 0; start <= choices.size();) {
        const std::size_t end = std::min(choices.find(',', start), choices.size());
        for (std::string& rest : expanded(key.substr(close + 1))) {
            names.push_back(key.substr(0, open) + choices.substr(start, end - start) + rest);
        }
        start = end + 1;
    }
    return names;
}

std::string joined(const std::string& path, const std::string& name)
{
    return path.empty() ? name : path + "." + name;
}

// A heading's link target as Markdown viewers make it: lower case, punctuation dropped,
// spaces as hyphens.
std::string anchorOf(const std::string& heading)
{
    std::string anchor;
    for (const char c : heading) {
        if (c == ' ') {
            anchor += '-';
        } else if (std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_') {
            anchor += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
    }
    return anchor;
}

std::string cell(const std::string& text)
{
    std::string escaped;
    for (const char c : text) {
        escaped += c == '|' ? std::string("\\|") : std::string(1, c);
    }
    return escaped;
}

std::string argumentList(const std::vector<std::string>& params)
{
    std::string list;
    for (const std::string& param : params) {
        list += (list.empty() ? "" : ", ") + param;
    }
    return "(" + list + ")";
}

// How a script writes the member: ":name(...)" on an object, "Owner.name(...)" through a
// table, ".name" for a property; with the result or value type.
std::string form(const BoundMember& member, const std::string& owner)
{
    switch (member.kind) {
    case Kind::Function:
    case Kind::StaticFunction: {
        const std::string prefix = owner.empty() ? ":" : owner + ".";
        return "`" + prefix + member.name + argumentList(member.params) +
               (member.result.empty() ? "" : " -> " + member.result) + "`";
    }
    case Kind::Property:
        return "`." + member.name + ": " + member.result + "`" + (member.writable ? "" : ", read-only");
    case Kind::Variable:
        return "`" + joined(owner, member.name) + ": " + member.result + "`" +
               (member.writable ? "" : ", read-only");
    }
    return {};
}

bool isConstant(const BoundMember& member)
{
    return member.kind == Kind::Variable && !member.writable;
}

// Constants by value where both are integers, else by name.
bool valueBefore(const BoundMember& a, const BoundMember& b)
{
    char* endA = nullptr;
    char* endB = nullptr;
    const long long valueA = std::strtoll(a.value.c_str(), &endA, 10);
    const long long valueB = std::strtoll(b.value.c_str(), &endB, 10);
    const bool numbers = !a.value.empty() && !b.value.empty() && *endA == '\0' && *endB == '\0';
    if (numbers && valueA != valueB) {
        return valueA < valueB;
    }
    return a.name < b.name;
}

class Writer
{
public:
    Writer(const Bindings& bindings, const Meanings& meanings, std::vector<std::string>& problems)
        : bindings_(bindings), meanings_(meanings), problems_(problems)
    {
        for (const BoundNamespace& ns : bindings.namespaces) {
            for (const BoundClass& cls : ns.classes) {
                classes_[cls.name] = joined(ns.path, cls.name);
            }
        }
    }

    std::string run()
    {
        writeIntroduction();
        writeScriptClasses();
        writeGlobals();
        std::size_t classHeadings = 0;
        for (const BoundNamespace& ns : bindings_.namespaces) {
            writeNamespace(ns);
            classHeadings += ns.classes.size();
        }
        if (classHeadings != bindings_.classCount) {
            problems_.push_back(std::to_string(bindings_.classCount) + " classes are registered, " +
                                std::to_string(classHeadings) + " are in a namespace");
        }
        for (const auto& [name, meaning] : meanings_.names) {
            if (!used_.contains(name)) {
                problems_.push_back("a meaning for " + name + ", which is not registered");
            }
        }
        return out_.str();
    }

private:
    // The meaning of a registered name: its own line, else the longest family that fits.
    std::string meaningOf(const std::string& name) { return meaningWithKey(name).second; }

    std::pair<std::string, std::string> meaningWithKey(const std::string& name)
    {
        if (const auto own = meanings_.names.find(name); own != meanings_.names.end()) {
            used_.insert(name);
            return *own;
        }
        const std::pair<const std::string, std::string>* best = nullptr;
        for (const auto& entry : meanings_.names) {
            const std::string& key = entry.first;
            if (!key.empty() && key.back() == '*' && startsWith(name, key.substr(0, key.size() - 1)) &&
                (!best || key.size() > best->first.size())) {
                best = &entry;
            }
        }
        if (!best) {
            problems_.push_back("no meaning for " + name);
            return {};
        }
        used_.insert(best->first);
        return *best;
    }

    // A declared class "Namespace.Class", with '?' when it may be nil; false when no such
    // class is registered.
    bool isKnownClass(const std::string& declared) const
    {
        const std::string name =
            !declared.empty() && declared.back() == '?' ? declared.substr(0, declared.size() - 1) : declared;
        return std::any_of(classes_.begin(), classes_.end(),
                           [&name](const auto& entry) { return entry.second == name; });
    }

    void writeIntroduction()
    {
        out_
            << "# Script reference\n\n"
            << "Every name the engine gives Lua scripts, read from the script engine itself by "
               "`tools/script_reference` (built as `build/bin/script_reference`), with the meaning of each "
               "from `tools/script_reference/meanings.txt`. Do not edit this file: edit the meanings and run "
               "`cmake --build build --target script_reference_update`. The test `script_reference` fails "
               "while this file differs from what the engine registers.\n\n"
            << "How to read it:\n\n"
            << "- `Class:name(a, b) -> R` is called on an object with a colon (`self.owner:getSprite()`); "
               "`Class.name(a, b) -> R` through its class or namespace table (`Math.Vector2f.make(1, 2)`).\n"
            << "- `.name: T` is a property of an object, read and written with a dot unless it is "
               "read-only; writing a read-only one raises `'<name>' is read-only`.\n"
            << "- A name that is not listed reads as nil without an error, a misspelt one too "
               "(`sprite.visible` for `sprite.Visible`): mind the case. Writing one raises `no writable "
               "member '<name>'`.\n"
            << "- Types: `integer` (a Lua number with an integer value that fits the engine's type), "
               "`number`, `boolean`, `string`, `value` (any Lua value), a class name (an engine object), "
               "`T?` (such an object or nil). A function without `->` returns nothing.\n"
            << "- Classes marked by value are copied into and out of scripts; every other class is an "
               "engine object that scripts refer to and never own. A script that keeps a game object or "
               "component past its end gets the error `<Class> no longer exists` at its next use.\n"
            << "- A derived class has every member of its base class too.\n\n";
        out_ << "Contents: [Script classes](#script-classes), [Globals](#globals)";
        for (const BoundNamespace& ns : bindings_.namespaces) {
            out_ << ", [" << namespaceTitle(ns) << "](#" << anchorOf(namespaceTitle(ns)) << ")";
        }
        out_ << ".\n\n";
    }

    static std::string namespaceTitle(const BoundNamespace& ns)
    {
        return ns.path.empty() ? std::string("The global table") : ns.path;
    }

    void writeScriptClasses()
    {
        out_ << "## Script classes\n\n"
             << "A game's logic lives in script classes: the file `scripts/<Name>.lua` defines the class "
                "`<Name>` through global functions named after it. A script component runs one instance of "
                "a class on its object, each with its own instance table, which every function below "
                "receives as `self`.\n\n"
             << "| function | meaning |\n|---|---|\n";
        for (const Meanings::Entry& callback : meanings_.callbacks) {
            out_ << "| `" << cell(callback.name) << "` | " << cell(callback.meaning) << " |\n";
        }
        out_ << "\nThe engine fills every instance table with:\n\n| field | class | meaning "
                "|\n|---|---|---|\n";
        for (const Meanings::Entry& field : meanings_.fields) {
            checkDeclaredClass("field:" + field.name, field.type);
            out_ << "| `self." << field.name << "` | `" << field.type << "` | " << cell(field.meaning)
                 << " |\n";
        }
        out_ << "\n";
    }

    void writeGlobals()
    {
        out_ << "## Globals\n\n"
             << "Global variables the engine sets; a script reads them anywhere, in any function.\n\n"
             << "| global | class | meaning |\n|---|---|---|\n";
        for (const Meanings::Entry& global : meanings_.globals) {
            checkDeclaredClass("global:" + global.name, global.type);
            out_ << "| `" << global.name << "` | `" << global.type << "` | " << cell(global.meaning)
                 << " |\n";
        }
        out_ << "\n";
        for (const auto& [name, cls] : bindings_.globals) {
            const auto declared =
                std::find_if(meanings_.globals.begin(), meanings_.globals.end(),
                             [&name](const Meanings::Entry& entry) { return entry.name == name; });
            const auto qualified = classes_.find(cls);
            if (declared == meanings_.globals.end()) {
                problems_.push_back("no meaning for the global " + name);
            } else if (qualified == classes_.end() ||
                       (declared->type != qualified->second && declared->type != qualified->second + "?")) {
                problems_.push_back("the global " + name + " holds a " + cls + ", not a " + declared->type);
            }
        }
    }

    void checkDeclaredClass(const std::string& what, const std::string& declared)
    {
        if (!isKnownClass(declared)) {
            problems_.push_back(what + " names " + declared + ", which is not a registered class");
        }
    }

    void writeNamespace(const BoundNamespace& ns)
    {
        out_ << "## " << namespaceTitle(ns) << "\n\n" << meaningOf(ns.path) << "\n\n";
        std::vector<BoundMember> constants;
        bool tableOpen = false;
        for (const BoundMember& member : ns.members) {
            if (isConstant(member)) {
                constants.push_back(member);
                continue;
            }
            if (!tableOpen) {
                out_ << "| name | meaning |\n|---|---|\n";
                tableOpen = true;
            }
            out_ << "| " << form(member, ns.path) << " | " << cell(meaningOf(joined(ns.path, member.name)))
                 << " |\n";
        }
        if (tableOpen) {
            out_ << "\n";
        }
        writeConstants(ns.path, constants);
        for (const BoundClass& cls : ns.classes) {
            writeClass(ns.path, cls);
        }
    }

    // Constants with a meaning of their own first, then each family; each in value order.
    // A family's meaning stands at its first constant.
    void writeConstants(const std::string& path, const std::vector<BoundMember>& constants)
    {
        if (constants.empty()) {
            return;
        }
        struct Row
        {
            const BoundMember* constant;
            std::string key;
            std::string meaning;
        };
        std::vector<Row> rows;
        for (const BoundMember& constant : constants) {
            auto [key, meaning] = meaningWithKey(joined(path, constant.name));
            rows.push_back({&constant, key.ends_with('*') ? key : std::string(), meaning});
        }
        std::stable_sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
            return a.key != b.key ? a.key < b.key : valueBefore(*a.constant, *b.constant);
        });
        out_ << "| constant | value | meaning |\n|---|---|---|\n";
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const bool continues = i > 0 && !rows[i].key.empty() && rows[i].key == rows[i - 1].key;
            out_ << "| `" << joined(path, rows[i].constant->name) << "` | " << rows[i].constant->value
                 << " | " << (continues ? std::string() : cell(rows[i].meaning)) << " |\n";
        }
        out_ << "\n";
    }

    void writeClass(const std::string& path, const BoundClass& cls)
    {
        const std::string name = joined(path, cls.name);
        out_ << "### class " << name << "\n\n" << meaningOf(name) << "\n\n";
        std::vector<std::string> facts;
        if (!cls.base.empty()) {
            const auto base = classes_.find(cls.base);
            const std::string baseName = base != classes_.end() ? base->second : cls.base;
            facts.push_back("Derived from [`" + baseName + "`](#" + anchorOf("class " + baseName) +
                            "), whose members it has too.");
        }
        if (cls.byValue) {
            facts.push_back("By value: scripts get copies of their own.");
        }
        if (cls.constructible) {
            facts.push_back("`" + name + "()` makes a new one.");
        }
        for (std::size_t i = 0; i < facts.size(); ++i) {
            out_ << (i == 0 ? "" : " ") << facts[i] << (i + 1 == facts.size() ? "\n\n" : "");
        }
        if (cls.members.empty()) {
            return;
        }
        out_ << "| member | meaning |\n|---|---|\n";
        for (const BoundMember& member : cls.members) {
            const std::string owner = member.kind == Kind::StaticFunction ? name : std::string();
            out_ << "| " << form(member, owner) << " | " << cell(meaningOf(joined(name, member.name)))
                 << " |\n";
        }
        out_ << "\n";
    }

    const Bindings& bindings_;
    const Meanings& meanings_;
    std::vector<std::string>& problems_;
    // Script class name -> "Namespace.Class".
    std::map<std::string, std::string> classes_;
    std::set<std::string> used_;
    std::ostringstream out_;
};

} // namespace

Meanings readMeanings(const std::string& text, std::vector<std::string>& problems)
{
    Meanings meanings;
    std::set<std::string> seen;
    std::istringstream in(text);
    int number = 0;
    for (std::string line; std::getline(in, line);) {
        ++number;
        line = trimmed(line);
        if (line.empty() || line.front() == '#') {
            continue;
        }
        const std::string where = "meanings line " + std::to_string(number) + ": ";
        auto [key, meaning] = firstWord(line);
        if (!seen.insert(key).second) {
            problems.push_back(where + key + " is given twice");
            continue;
        }
        std::vector<Meanings::Entry>* typed = startsWith(key, GlobalPrefix)  ? &meanings.globals
                                              : startsWith(key, FieldPrefix) ? &meanings.fields
                                                                             : nullptr;
        std::string type;
        if (typed) {
            std::tie(type, meaning) = firstWord(meaning);
            key = key.substr(key.find(':') + 1);
        }
        if (meaning.empty()) {
            problems.push_back(where + key + " has no meaning");
        } else if (typed) {
            typed->push_back({key, type, meaning});
        } else if (startsWith(key, CallbackPrefix)) {
            // A form is one word in the file: "Update<Name>(self,dt)" reads "(self, dt)".
            std::string callback;
            for (const char c : key.substr(std::string(CallbackPrefix).size())) {
                callback += c == ',' ? std::string(", ") : std::string(1, c);
            }
            meanings.callbacks.push_back({callback, {}, meaning});
        } else {
            for (const std::string& name : expanded(key)) {
                if (!meanings.names.emplace(name, meaning).second) {
                    problems.push_back(where + name + " is given twice");
                }
            }
        }
    }
    return meanings;
}

std::string writeReference(const Bindings& bindings, const Meanings& meanings,
                           std::vector<std::string>& problems)
{
    return Writer(bindings, meanings, problems).run();
}

} // namespace Orva::Tools
