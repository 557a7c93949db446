#include <gtest/gtest.h>

#include <tinyxml2.h>

#include <filesystem>
#include <string>

#include "AnalyticsFixture.h"

// The play-data report: its exact bytes, names that carry markup, and where it is written.

namespace {

using Orva::Analytic::PerformanceData;
using Orva::Analytic::reportText;

PerformanceData drop(float frameTime, const std::string& memDump)
{
    PerformanceData record;
    record.frameTime = frameTime;
    record.time = "1:2:3";
    record.duration = 1.5f;
    record.objectCount = 4;
    record.objectCreateCount = 5;
    record.objectDeleteCount = 6;
    record.loading = true;
    record.memDump = memDump;
    return record;
}

const tinyxml2::XMLElement* entry(const tinyxml2::XMLDocument& document, const char* section,
                                  const char* name)
{
    const tinyxml2::XMLElement* data = document.FirstChildElement("data");
    const tinyxml2::XMLElement* list = data ? data->FirstChildElement(section) : nullptr;
    return list ? list->FirstChildElement(name) : nullptr;
}

TEST_F(AnalyticsTest, AnEmptyReportAndAReportOfOneBooleanAreExact)
{
    EXPECT_EQ(reportText(analytics()), "<data>\n</data>");

    analytics().enableCustomDataTracking();
    analytics().setBoolData("x", true);
    EXPECT_EQ(reportText(analytics()),
              "<data>\n\t<custombool>\n\t\t<data name=\"x\" value=\"1\" />\n\t</custombool>\n</data>");
}

TEST_F(AnalyticsTest, EverySectionAppearsInItsOrderWithEntriesInMapOrder)
{
    analytics().enableAll();
    holdKey(Orva::InputKeys::ORVA_SPACE, 1);
    holdKey(Orva::InputKeys::ORVA_A, 31);
    for (const char* path : {"x/b.png", "a.png", "y/b.png"}) {
        analytics().resourceDelivered(path);
    }
    analytics().stateLoaded("Beach");
    Orva::GameObject* gone = objects().create();
    objects().create();
    objects().destroy(gone);
    analytics().levelRecord("Beach").performance.push_back(drop(0.0625f, "dump\nline 2"));
    analytics().stateLoaded("Cave");
    analytics().eventRecord("Boom") = {2, 1};
    analytics().setIntData("b", -3);
    analytics().setIntData("a", 7);
    analytics().setFloatData("third", 1.0f / 3.0f);
    analytics().setFloatData("tiny", 2.5e-7f);
    analytics().setFloatData("big", 1234567.0f);
    analytics().setBoolData("off", false);

    EXPECT_EQ(
        reportText(analytics()),
        "<data>\n"
        "\t<input>\n"
        "\t\t<key value=\"10\" tapped=\"1\" held=\"1\" heldTime=\"0.5\" />\n"
        "\t\t<key value=\"64\" tapped=\"1\" held=\"0\" heldTime=\"0\" />\n"
        "\t</input>\n"
        "\t<resource>\n"
        "\t\t<path value=\"/b.png\" loaded=\"2\" />\n"
        "\t\t<path value=\"a.png\" loaded=\"1\" />\n"
        "\t</resource>\n"
        "\t<level>\n"
        "\t\t<stage value=\"Beach\" loadCount=\"1\" objectCount=\"2\" deleteCount=\"1\">\n"
        "\t\t\t<perf fps=\"16\" time=\"1:2:3\" duration=\"1.5\" objectCount=\"4\" objectCreateCount=\"5\" "
        "objectDeleteCount=\"6\" loading=\"1\" memDump=\"dump\nline 2\" />\n"
        "\t\t</stage>\n"
        "\t\t<stage value=\"Cave\" loadCount=\"1\" objectCount=\"0\" deleteCount=\"0\">\n"
        "\t\t</stage>\n"
        "\t</level>\n"
        "\t<event>\n"
        "\t\t<data event=\"Boom\" pushCount=\"2\" sendCount=\"1\" />\n"
        "\t</event>\n"
        "\t<customint>\n"
        "\t\t<data name=\"a\" value=\"7\" />\n"
        "\t\t<data name=\"b\" value=\"-3\" />\n"
        "\t</customint>\n"
        "\t<customfloat>\n"
        "\t\t<data name=\"big\" value=\"1.23457e+06\" />\n"
        "\t\t<data name=\"third\" value=\"0.333333\" />\n"
        "\t\t<data name=\"tiny\" value=\"2.5e-07\" />\n"
        "\t</customfloat>\n"
        "\t<custombool>\n"
        "\t\t<data name=\"off\" value=\"0\" />\n"
        "\t</custombool>\n"
        "</data>");
}

TEST_F(AnalyticsTest, NamesWithMarkupReadBackWhenTheReportIsParsed)
{
    const std::string intName = "a\"<&b";
    const std::string stage = "St<a>ge \"1\" & co";
    const std::string event = "<Ev&nt>";
    const std::string memDump = "=== Memory dump for \"x\"\n\tstd::vector<int> & more\nlast line\n";
    analytics().enableAll();
    analytics().setIntData(intName, 42);
    analytics().stateLoaded(stage);
    analytics().levelRecord(stage).performance.push_back(drop(0.05f, memDump));
    analytics().eventRecord(event) = {3, 2};

    const std::string report = reportText(analytics());
    EXPECT_NE(report.find("&quot;x&quot;\n\tstd::vector&lt;int&gt; &amp; more\nlast line\n\""),
              std::string::npos)
        << "line breaks stay as they are: " << report;

    tinyxml2::XMLDocument document(true, tinyxml2::PRESERVE_WHITESPACE);
    ASSERT_EQ(document.Parse(report.c_str(), report.size()), tinyxml2::XML_SUCCESS) << report;
    const tinyxml2::XMLElement* custom = entry(document, "customint", "data");
    ASSERT_NE(custom, nullptr);
    EXPECT_STREQ(custom->Attribute("name"), intName.c_str());
    EXPECT_EQ(custom->IntAttribute("value"), 42);

    const tinyxml2::XMLElement* stageElement = entry(document, "level", "stage");
    ASSERT_NE(stageElement, nullptr);
    EXPECT_STREQ(stageElement->Attribute("value"), stage.c_str());
    EXPECT_EQ(stageElement->UnsignedAttribute("loadCount"), 1u);
    const tinyxml2::XMLElement* perf = stageElement->FirstChildElement("perf");
    ASSERT_NE(perf, nullptr);
    EXPECT_EQ(perf->FloatAttribute("fps"), 20.0f);
    EXPECT_EQ(perf->FloatAttribute("duration"), 1.5f);
    EXPECT_EQ(perf->UnsignedAttribute("objectDeleteCount"), 6u);
    EXPECT_TRUE(perf->BoolAttribute("loading"));
    EXPECT_STREQ(perf->Attribute("memDump"), memDump.c_str());

    const tinyxml2::XMLElement* eventElement = entry(document, "event", "data");
    ASSERT_NE(eventElement, nullptr);
    EXPECT_STREQ(eventElement->Attribute("event"), event.c_str());
    EXPECT_EQ(eventElement->UnsignedAttribute("pushCount"), 3u);
    EXPECT_EQ(eventElement->UnsignedAttribute("sendCount"), 2u);
}

TEST_F(AnalyticsTest, ADropWithoutAFrameTimeReportsZeroFramesPerSecond)
{
    analytics().levelRecord("").performance.push_back(drop(0.0f, ""));
    const std::string report = reportText(analytics());
    EXPECT_NE(report.find("<perf fps=\"0\" time="), std::string::npos) << report;
}

TEST_F(AnalyticsTest, SavingWritesTheReportOverTheFileAndClearsNothing)
{
    writeFile("play_data0.oad", std::string(500, '#'));
    analytics().enableCustomDataTracking();
    analytics().setIntData("coins", 12);
    analytics().save("play_data0.oad");
    EXPECT_EQ(readFile("play_data0.oad"), reportText(analytics()));
    EXPECT_EQ(analytics().getIntData("coins"), 12);

    analytics().clearAll();
    analytics().save("play_data0.oad");
    EXPECT_EQ(readFile("play_data0.oad"), "<data>\n</data>");
}

TEST_F(AnalyticsTest, AReportThatCannotBeOpenedIsNotWritten)
{
    analytics().enableCustomDataTracking();
    analytics().setIntData("coins", 12);
    EXPECT_NO_THROW(analytics().save("missing/play_data0.oad"));
    EXPECT_FALSE(std::filesystem::exists("missing"));
    std::filesystem::create_directory("taken");
    EXPECT_NO_THROW(analytics().save("taken"));
    EXPECT_TRUE(std::filesystem::is_directory("taken"));
    EXPECT_NO_THROW(analytics().save(""));
}

} // namespace
