#include <locale>
#include <sstream>

#include "world/DataAnalyticManager.h"

namespace Orva::Analytic {

namespace {

// One element on a line of its own: tabs, "<name", then ` attribute="value"` per attribute in
// the order given, closed by " />" or, for an element that holds others, by ">".
class ElementLine
{
public:
    ElementLine(std::ostream& out, int depth, const char* name) : out_(out)
    {
        indent(out, depth);
        out_ << '<' << name;
    }

    // Names, paths and dumps come from data and scripts: a quote or '<' of theirs must not end
    // the attribute or start markup.
    ElementLine& attribute(const char* name, const std::string& value)
    {
        begin(name);
        for (const char c : value) {
            switch (c) {
            case '&':
                out_ << "&amp;";
                break;
            case '<':
                out_ << "&lt;";
                break;
            case '>':
                out_ << "&gt;";
                break;
            case '"':
                out_ << "&quot;";
                break;
            default:
                out_ << c;
            }
        }
        return end();
    }

    ElementLine& attribute(const char* name, bool value)
    {
        begin(name) << (value ? '1' : '0');
        return end();
    }

    template <class Number> ElementLine& attribute(const char* name, Number value)
    {
        begin(name) << value;
        return end();
    }

    void close() { out_ << " />\n"; }
    void open() { out_ << ">\n"; }

private:
    static void indent(std::ostream& out, int depth)
    {
        for (int i = 0; i < depth; ++i) {
            out << '\t';
        }
    }

    std::ostream& begin(const char* name) { return out_ << ' ' << name << "=\""; }
    ElementLine& end()
    {
        out_ << '"';
        return *this;
    }

    std::ostream& out_;
};

// A section of the report: nothing at all for an empty map, otherwise its start line, one
// entry per element in map order, and its end line.
template <class Map, class WriteEntry>
void writeSection(std::ostream& out, const char* name, const Map& map, WriteEntry writeEntry)
{
    if (map.empty()) {
        return;
    }
    out << "\t<" << name << ">\n";
    for (const auto& [key, value] : map) {
        writeEntry(key, value);
    }
    out << "\t</" << name << ">\n";
}

template <class Map> void writeCustomSection(std::ostream& out, const char* name, const Map& map)
{
    writeSection(out, name, map, [&out](const std::string& key, const auto& value) {
        ElementLine(out, 2, "data").attribute("name", key).attribute("value", value).close();
    });
}

// A drop opens only above a mean frame time of 0.03 s, but a zero must never divide.
float framesPerSecond(float frameTime)
{
    return frameTime > 0.0f ? 1.0f / frameTime : 0.0f;
}

void writePerformance(std::ostream& out, const PerformanceData& drop)
{
    ElementLine(out, 3, "perf")
        .attribute("fps", framesPerSecond(drop.frameTime))
        .attribute("time", drop.time)
        .attribute("duration", drop.duration)
        .attribute("objectCount", drop.objectCount)
        .attribute("objectCreateCount", drop.objectCreateCount)
        .attribute("objectDeleteCount", drop.objectDeleteCount)
        .attribute("loading", drop.loading)
        .attribute("memDump", drop.memDump)
        .close();
}

} // namespace

std::string reportText(const DataAnalyticManager& analytics)
{
    std::ostringstream out;
    out.imbue(std::locale::classic());
    out << "<data>\n";

    writeSection(out, "input", analytics.getKeyData(), [&out](unsigned char code, const KeyData& key) {
        ElementLine(out, 2, "key")
            .attribute("value", static_cast<unsigned>(code))
            .attribute("tapped", key.tapped)
            .attribute("held", key.held)
            .attribute("heldTime", key.heldTime)
            .close();
    });
    writeSection(out, "resource", analytics.getResourceData(),
                 [&out](const std::string& path, unsigned loaded) {
                     ElementLine(out, 2, "path").attribute("value", path).attribute("loaded", loaded).close();
                 });
    writeSection(out, "level", analytics.getLevelData(),
                 [&out](const std::string& stage, const LevelData& level) {
                     ElementLine line(out, 2, "stage");
                     line.attribute("value", stage)
                         .attribute("loadCount", level.loadCount)
                         .attribute("objectCount", level.objectCount)
                         .attribute("deleteCount", level.deleteCount);
                     // Only past the bound, so that every other report reads as before.
                     if (level.performanceNotKept > 0) {
                         line.attribute("perfNotKept", level.performanceNotKept);
                     }
                     line.open();
                     for (const PerformanceData& drop : level.performance) {
                         writePerformance(out, drop);
                     }
                     out << "\t\t</stage>\n";
                 });
    writeSection(out, "event", analytics.getEventData(),
                 [&out](const std::string& name, const DataAnalyticManager::EventData& counts) {
                     ElementLine(out, 2, "data")
                         .attribute("event", name)
                         .attribute("pushCount", counts.pushCount)
                         .attribute("sendCount", counts.sendCount)
                         .close();
                 });
    writeCustomSection(out, "customint", analytics.getCustomInts());
    writeCustomSection(out, "customfloat", analytics.getCustomFloats());
    writeCustomSection(out, "custombool", analytics.getCustomBools());

    out << "</data>";
    return std::move(out).str();
}

} // namespace Orva::Analytic
