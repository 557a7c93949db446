#include <algorithm>
#include <filesystem>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>

#include "WaitLimit.h"
#include "actions/ActionComponent.h"
#include "actions/ActionSetManager.h"
#include "actions/LeafActions.h"
#include "core/Random.h"
#include "core/ScriptEvents.h"
#include "core/TypeName.h"
#include "graphics/SpriteComponent.h"
#include "scripting/ScriptHarness.h"
#include "world/ComponentPool.h"
#include "world/TransformComponent.h"

// Action sets: their files (bytes written, read back, renamed, deleted, refused), the trees
// built from them in a running world, and their loads.

namespace {

using namespace Orva::Actions;
using Orva::GameObject;

constexpr float Step = 0.016f;

class ActionSetTest : public ScriptHarness
{
protected:
    // The set folder a game has.
    void SetUp() override
    {
        ScriptHarness::SetUp();
        std::filesystem::create_directories(root() / "resources" / "data");
    }

    static ActionSetManager& sets() { return ActionSetManager::getInstance(); }
    static void stepActions() { Orva::ComponentPool<ActionComponent>::getInstance().update(Step); }

    std::filesystem::path setFile(const std::string& fileName) const
    {
        return root() / "resources" / "data" / fileName;
    }
    void writeSet(const std::string& fileName, const std::string& xml) const
    {
        writeFile(setFile(fileName), xml);
    }
    // A file of one root sequence around the children.
    void writeSetOf(const std::string& name, const std::string& children, int repeat = 0) const
    {
        writeSet(name + ".action",
                 "<action type=\"seq\" repeat=\"" + std::to_string(repeat) + "\">" + children + "</action>");
    }

    static GameObject* placedObject(const char* name)
    {
        GameObject* object = objects().create(name);
        object->addComponent<Orva::TransformComponent>();
        return object;
    }
    static const ActionList& rootsOf(const GameObject* object)
    {
        return object->getComponent<ActionComponent>()->getActions();
    }
    static std::string memoryDump()
    {
        std::ostringstream dump;
        Orva::MemoryPoolManager::MemoryDump(dump);
        return dump.str();
    }
};

// Known answer of the writer: the blanks as they are, attribute values escaped.
TEST_F(ActionSetTest, ASavedSetHasItsExactBytes)
{
    ActionSetSequence* set = sets().createActionSet("b");
    EXPECT_EQ(readFile(setFile("b.action")), "<action type=\"seq\">\n</action>\n");
    set->repeat = -1;
    ActionSetGroup* group = set->addGroupAction();
    ActionSetTweenVector3f* tween = group->addTweenVector3fAction();
    tween->ease = 9;
    tween->time = 2;
    tween->type = 1;
    tween->option = 1;
    tween->value = {1, 0.5f, 0};
    ActionSetLuaCallback* callback = group->addLuaCallbackAction();
    callback->func = "a\"b&c";
    callback->scriptClass = "P";
    set->addDelayAction();
    sets().saveActionSet("b");
    EXPECT_EQ(readFile(setFile("b.action")),
              "<action type=\"seq\" repeat=\"-1\" > \n"
              "  <action type=\"grp\"> \n"
              "    <action type=\"vec\"> \n"
              "      <params mode=\"0\" ease=\"9\"  time=\"2\" type=\"1\" option=\"1\" useParent=\"1\" "
              "goToUse=\"\" "
              "x=\"1\" y=\"0.5\" z=\"0\" /> \n"
              "    </action> \n"
              "    <action type=\"lua\" func=\"a&quot;b&amp;c\" class=\"P\"/> \n"
              "  </action>\n"
              "  <action type=\"delay\" duration=\"1\" rand=\"0\" />\n"
              "</action>\n");
    EXPECT_EQ(sets().createActionSet("b"), set) << "an existing set is kept, its file untouched";
}

TEST_F(ActionSetTest, ASetReadBackIsSavedWithTheSameBytes)
{
    ActionSetSequence* set = sets().createActionSet("all");
    set->repeat = 3;
    ActionSetSequence* inner = set->addGroupAction()->addSequenceAction();
    inner->repeat = -1;
    ActionSetDelay* delay = inner->addDelayAction();
    delay->duration = 0.1f;
    delay->rand = 1e-07f;
    ActionSetLuaCallback* callback = inner->addLuaCallbackAction();
    const std::string odd = "& < > \" '";
    callback->func = odd;
    callback->scriptClass = "C" + odd;
    ActionSetTweenFloat* single = set->addTweenFloatAction();
    single->mode = 1;
    single->val = 1234567;
    single->useParent = false;
    single->goToUse = odd;
    set->addTweenVector3fAction()->value = {0.1f, 1e-07f, -2};
    sets().saveActionSet("all");
    const std::string saved = readFile(setFile("all.action"));

    ActionSetManager::destroyInstance();
    ActionSetManager::createInstance();
    sets().loadAllActionSets();
    const ActionSetSequence* loaded = sets().getActionSet("all");
    ASSERT_NE(loaded, nullptr);
    const auto* readInner = dynamic_cast<const ActionSetSequence*>(
        dynamic_cast<const ActionSetGroup&>(*loaded->getChildren().at(0)).getChildren().at(0));
    ASSERT_NE(readInner, nullptr);
    const auto& readCallback = dynamic_cast<const ActionSetLuaCallback&>(*readInner->getChildren().at(1));
    EXPECT_EQ(readCallback.func, odd);
    EXPECT_EQ(readCallback.scriptClass, "C" + odd);
    EXPECT_EQ(dynamic_cast<const ActionSetTweenFloat&>(*loaded->getChildren().at(1)).goToUse, odd);
    sets().saveActionSet("all");
    EXPECT_EQ(readFile(setFile("all.action")), saved);
}

// The reader's rules: the root is a sequence whatever its type, 11 loops, unknown kinds and
// tweens without params are skipped; a float tween's target object follows goToUse, a vector
// tween's never does.
TEST_F(ActionSetTest, TreesBuiltFromFilesFollowTheReadersRules)
{
    writeSet("kinds.action",
             R"(<action type="grp" repeat="2">
                  <action type="vec"><params useParent="0" goToUse="other" x="3" y="4" z="5"/></action>
                  <action type="spin"/><note/>
                  <action type="float"/>
                  <action type="float"><params type="0" option="0" val="1"/></action>
                  <action type="delay" duration="0.5"/>
                  <action type="seq" repeat="11"><action type="delay"/></action>
                </action>)");
    sets().loadAllActionSets();
    GameObject* hero = placedObject("hero");
    GameObject* other = placedObject("other");
    sets().attachActionSet(hero, "kinds");
    sets().attachActionSet(hero, "none");
    sets().attachActionSet(nullptr, "kinds");
    ASSERT_EQ(rootsOf(hero).size(), 1u);
    const auto& root = dynamic_cast<const ActionSequence&>(*rootsOf(hero).front());
    // The vector tween, the delay and the looping sequence, three passes of them.
    ASSERT_EQ(root.getChildren().size(), 9u);
    EXPECT_FLOAT_EQ(dynamic_cast<const ActionDelay&>(**std::next(root.getChildren().begin())).duration, 0.5f);
    EXPECT_TRUE(dynamic_cast<const ActionSequence&>(**std::next(root.getChildren().begin(), 2)).isLooping());
    stepActions();
    EXPECT_EQ(hero->getTransform()->getLocalTranslation(), (Orva::Math::Vector3D<float>{3, 4, 5}));
    EXPECT_EQ(other->getTransform()->getLocalTranslation(), Orva::Math::Vector3D<float>());
}

// Known answers at steps of 0.016: a By SineOut float tween repeated once, and a To tween
// of a sprite's colour.
TEST_F(ActionSetTest, SetTweensMoveTheirFieldsStepByStep)
{
    writeSetOf("rise", R"(<action type="float">
        <params mode="1" ease="2" time="0.05" type="0" option="0" useParent="1" val="4"/></action>)",
               1);
    writeSetOf("tint", R"(<action type="vec">
        <params mode="0" ease="0" time="0.016" type="1" option="1" useParent="1" x="0.5" y="0.25" z="0"/></action>)");
    sets().loadAllActionSets();
    GameObject* hero = placedObject("hero");
    auto* sprite = hero->addComponent<Orva::Graphics::SpriteComponent>();
    sets().attachActionSet(hero, "rise");
    sets().attachActionSet(hero, "tint");
    const float& x = hero->getTransform()->getLocalTranslation().x;
    stepActions();
    EXPECT_NEAR(x, 1.9270148f, 1e-6);
    stepActions();
    EXPECT_EQ(sprite->getColor(), (Orva::Graphics::Color{0.5f, 0.25f, 0.0f, 1.0f}));
    for (int step = 3; step <= 8; ++step) {
        EXPECT_FALSE(rootsOf(hero).empty()) << "step " << step;
        stepActions();
    }
    EXPECT_NEAR(x, 8.0f, 1e-5);
    EXPECT_TRUE(rootsOf(hero).empty());
}

// Fault mended: repeats multiply a file's children (nested ones each other), so a few bytes
// asked for more actions than memory holds. A tree is measured first, clones included.
TEST_F(ActionSetTest, SetsThatWouldBuildTooManyActionsAreNotAttached)
{
    const std::string delay = R"(<action type="delay" duration="1"/>)";
    // 1 + 99,999 passes of one delay: exactly the bound.
    writeSetOf("most", delay, static_cast<int>(ActionSetManager::MaxBuiltActions) - 2);
    writeSetOf("more", delay, static_cast<int>(ActionSetManager::MaxBuiltActions) - 1);
    std::string loops = delay;
    for (int level = 0; level < 40; ++level) {
        loops = R"(<action type="seq" repeat="-1">)" + loops + "</action>";
    }
    writeSetOf("loops", loops);
    // Passes of nothing: built at once however many are asked.
    writeSetOf("hollow", R"(<action type="seq" repeat="2147483647"/>)");
    sets().loadAllActionSets();
    GameObject* hero = placedObject("hero");
    testing::internal::CaptureStderr();
    sets().attachActionSet(hero, "more");
    sets().attachActionSet(hero, "loops");
    const std::string printed = testing::internal::GetCapturedStderr();
    EXPECT_EQ(printed, "action sets: more could build more than 100000 actions; it is not attached\n"
                       "action sets: loops could build more than 100000 actions; it is not attached\n");
    EXPECT_EQ(hero->getComponent<ActionComponent>(), nullptr);

    sets().attachActionSet(hero, "most");
    sets().attachActionSet(hero, "hollow");
    ASSERT_EQ(rootsOf(hero).size(), 2u);
    EXPECT_EQ(dynamic_cast<const ActionSequence&>(*rootsOf(hero).front()).getChildren().size(),
              ActionSetManager::MaxBuiltActions - 1);
    EXPECT_EQ(dynamic_cast<const ActionSequence&>(*rootsOf(hero).back()).getChildren().size(), 1u);
}

TEST_F(ActionSetTest, DelaysDrawOnceFromTheEngineGeneratorAtEachBuild)
{
    ActionSetDelay node;
    node.duration = 2;
    node.rand = 0.5f;
    Orva::srand(1);
    for (const float expected : {1.705f, 1.835f, 2.17f}) {
        std::unique_ptr<ActionBase> delay(node.create(nullptr));
        EXPECT_NEAR(dynamic_cast<ActionDelay&>(*delay).duration, expected, 1e-6);
    }
}

// Fault mended: renaming a set onto its own name lost it, and a displaced set leaked.
TEST_F(ActionSetTest, RenamesAndDeletionsMoveSetsWithTheirFiles)
{
    sets().createActionSet("w")->addDelayAction();
    sets().saveActionSet("w");
    sets().createActionSet("r");
    const std::string bytes = readFile(setFile("w.action"));
    sets().renameActionSet("w", "w");
    EXPECT_NE(sets().getActionSet("w"), nullptr);
    EXPECT_EQ(readFile(setFile("w.action")), bytes);

    const std::string sequences(Orva::typeName<ActionSetSequence>());
    const int before = Orva::MemoryPoolManager::getInstance().liveCount(sequences);
    sets().renameActionSet("w", "r");
    EXPECT_EQ(sets().getActionSetList().size(), 1u);
    EXPECT_EQ(sets().getActionSet("r")->getChildren().size(), 1u);
    EXPECT_EQ(Orva::MemoryPoolManager::getInstance().liveCount(sequences), before - 1);
    EXPECT_FALSE(std::filesystem::exists(setFile("w.action")));
    EXPECT_EQ(readFile(setFile("r.action")), bytes);

    sets().deleteActionFile("r");
    sets().deleteActionFile("nothing");
    EXPECT_TRUE(sets().getActionSetList().empty());
    EXPECT_FALSE(std::filesystem::exists(setFile("r.action")));
}

// Decided: a document that does not parse or has no action root stores nothing, one line
// each; by the loader, a file that does not parse drops the rest of its reply.
TEST_F(ActionSetTest, FilesThatHoldNoSetAreNamedAndSkipped)
{
    writeSet("a.action", "<action>");
    writeSet("b.action", "<group/>");
    writeSetOf("c", "");
    testing::internal::CaptureStderr();
    sets().loadAllActionSets();
    const std::string printed = testing::internal::GetCapturedStderr();
    EXPECT_EQ(sets().getActionSetList().size(), 1u);
    EXPECT_NE(printed.find("a.action is not XML"), std::string::npos) << printed;
    EXPECT_NE(printed.find("b.action has no action element"), std::string::npos) << printed;
    EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 2) << printed;

    Orva::Events::LoadEvent reply(&sets());
    reply.entries.emplace_back("x/broken.action");
    reply.entries.back().contents = "<action";
    reply.entries.emplace_back("x/fine.action");
    reply.entries.back().contents = "<action/>";
    testing::internal::CaptureStderr();
    sets().onResourceLoadComplete(&reply);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(sets().getActionSet("fine"), nullptr);
}

TEST_F(ActionSetTest, ASetCreatedAndLoadedThroughTheLoaderIsEmpty)
{
    sets().createActionSet("fresh")->addDelayAction();
    sets().loadActionSetPath("data/fresh.action");
    // The loader reads on its own thread: frames are paced a little to let it.
    waitUntil([&] {
        runFrames(1);
        return sets().getActionSet("fresh")->getChildren().empty();
    });
    ASSERT_NE(sets().getActionSet("fresh"), nullptr);
    EXPECT_TRUE(sets().getActionSet("fresh")->getChildren().empty());
}

// Fault mended: a throw out of a build leaked the tree built so far.
TEST_F(ActionSetTest, AMissingScriptClassThrowsAndAppendsNothing)
{
    writeSetOf("hit", R"(<action type="delay" duration="1"/>
        <action type="grp"><action type="float"><params useParent="1" val="1"/></action>
        <action type="lua" func="f" class="Player"/></action>)");
    sets().loadAllActionSets();
    GameObject* hero = placedObject("hero");
    try {
        sets().attachActionSet(hero, "hit");
        ADD_FAILURE() << "the build went through";
    } catch (const Orva::LuaExceptionEvent& error) {
        EXPECT_EQ(error.message,
                  "Error occured when creating Action Set. Player script object was not found on "
                  "GameObject hero\n");
        EXPECT_EQ(error.errorType, 0);
        EXPECT_EQ(error.scriptPath, "");
    }
    EXPECT_EQ(hero->getComponent<ActionComponent>(), nullptr);
    const std::string dump = memoryDump();
    EXPECT_EQ(dump.find("ActionTween"), std::string::npos) << dump;
    EXPECT_EQ(dump.find("Actions::ActionDelay"), std::string::npos) << dump;
}

// A float tween on another object stops when that object goes; the scene-wide destroy
// reaches inactive objects too.
TEST_F(ActionSetTest, SetTweensOnOtherObjectsAndSceneWideDestroy)
{
    writeSetOf("push", R"(<action type="float">
        <params mode="1" time="1" type="0" option="6" useParent="0" goToUse="other" val="1"/></action>)");
    writeSetOf("wait", R"(<action type="delay" duration="5"/>)");
    sets().loadAllActionSets();
    GameObject* hero = placedObject("hero");
    GameObject* other = placedObject("other");
    GameObject* idle = placedObject("idle");
    idle->active = false;
    sets().attachActionSet(hero, "push");
    sets().attachActionSet(idle, "wait");
    stepActions();
    EXPECT_GT(other->getTransform()->getLocalRotationRad(), 0.0f);
    objects().destroy(other);
    Orva::TransformComponent* reused = placedObject("newcomer")->getTransform();
    stepActions();
    stepActions();
    EXPECT_TRUE(rootsOf(hero).empty()) << "the tween finished without writing";
    EXPECT_EQ(reused->getLocalRotationRad(), 0.0f);

    sets().attachActionSet(hero, "wait");
    sets().destroyAllActionsInScene();
    EXPECT_TRUE(rootsOf(hero).front()->isDone() && rootsOf(idle).front()->isDone());
    stepActions();
    EXPECT_TRUE(rootsOf(hero).empty());
}

} // namespace
