#pragma once

#include <map>
#include <string>
#include <vector>

#include "core/EventCallbackObject.h"
#include "core/EventManager.h"
#include "core/FunctionHolder.h"
#include "graphics/AnimationManager.h"
#include "graphics/Texture.h"
#include "graphics/TextureManager.h"
#include "graphics/TextureUploader.h"
#include "world/EngineFixture.h"
#include "world/LoadEvent.h"
#include "world/ResourceManager.h"

// Stands in for OpenGL: names count up from 1, an upload keeps the image's size, which the
// driver then reports, and deleted names are remembered.
class FakeUploader final : public Orva::Graphics::TextureUploader
{
public:
    unsigned generateName() override { return ++lastName; }
    void deleteName(unsigned name) override
    {
        if (name != 0) {
            deleted.push_back(name);
        }
    }
    bool upload(unsigned name, const Orva::Graphics::DecodedImage& image) override
    {
        sizes[name] = {static_cast<unsigned>(image.getWidth()), static_cast<unsigned>(image.getHeight())};
        return true;
    }
    Orva::Math::Vector2D<unsigned> prepare(unsigned name, int wrapMode) override
    {
        wrapModes[name] = wrapMode;
        return sizes[name];
    }
    void setWrapMode(unsigned name, int wrapMode) override { wrapModes[name] = wrapMode; }
    void activateUnit(unsigned /*unit*/) override {}
    void bind(unsigned name) override { binds.push_back(name); }

    unsigned lastName = 0;
    std::vector<unsigned> deleted;
    std::vector<unsigned> binds;
    std::map<unsigned, Orva::Math::Vector2D<unsigned>> sizes;
    std::map<unsigned, int> wrapModes;
};

// Keeps a copy of every "LoadResource" request queued after it was made: what is queued
// already is dispatched first.
class LoadRequestListener
{
public:
    LoadRequestListener()
    {
        Orva::EventManager::PushAllEvents();
        Orva::EventManager::getInstance().ListenToEvent("LoadResource",
                                                        Orva::FunctionHolder(this, &LoadRequestListener::onEvent));
    }

    Orva::EventCallbackObject& getEventCallbackObject() noexcept { return callbacks_; }

    // The paths asked for with that request id, in order.
    std::vector<std::string> pathsFor(const void* requestId) const
    {
        std::vector<std::string> paths;
        for (const Orva::Events::LoadEvent& request : received) {
            if (request.requestId == requestId) {
                for (const auto& entry : request.entries) {
                    paths.push_back(entry.path);
                }
            }
        }
        return paths;
    }

    std::vector<Orva::Events::LoadEvent> received;

private:
    void onEvent(Orva::BaseEvent* event) { received.push_back(*static_cast<Orva::Events::LoadEvent*>(event)); }

    Orva::EventCallbackObject callbacks_;
};

// A headless engine whose texture manager uploads to a FakeUploader. Replies of the loader
// are handed to the managers directly, so that each test decides what arrives and when.
class TextureTest : public EngineTest
{
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        auto fake = std::make_unique<FakeUploader>();
        gl = fake.get();
        textures().setUploader(std::move(fake));
    }

    static Orva::Graphics::TextureManager& textures() { return Orva::Graphics::TextureManager::getInstance(); }
    static Orva::Graphics::AnimationManager& animations()
    {
        return Orva::Graphics::AnimationManager::getInstance();
    }
    static std::string key(const std::string& path) { return Orva::Resources::ResourceManager::getFullPath(path); }

    // The loader's reply to the texture manager: an image, or with the manager as sender an
    // atlas image.
    static void deliverImage(const std::string& path, const std::string& contents, void* sender = nullptr)
    {
        Orva::Events::LoadEvent reply(sender, &textures());
        reply.entries.emplace_back(key(path));
        reply.entries.back().contents = contents;
        textures().onResourceLoadComplete(&reply);
    }

    static void deliverAtlasImage(const std::string& path, const std::string& contents)
    {
        deliverImage(path, contents, &textures());
    }

    // The loader's reply to the animation request of the texture.
    static void deliverAnimation(void* texture, const std::string& path, const std::string& xml)
    {
        Orva::Events::LoadEvent reply(&animations(), texture);
        reply.entries.emplace_back(key(path));
        reply.entries.back().contents = xml;
        animations().onResourceLoadComplete(&reply);
    }

    void writeResource(const std::string& relativePath, const std::string& contents) const
    {
        const std::filesystem::path path = root() / "resources" / relativePath;
        std::filesystem::create_directories(path.parent_path());
        writeFile(path, contents);
    }

    FakeUploader* gl = nullptr;
};
