#pragma once

#include <map>
#include <string>
#include <vector>

#include "core/EventCallbackObject.h"
#include "core/EventManager.h"
#include "core/FunctionHolder.h"
#include "graphics/AnimationManager.h"
#include "graphics/FakeUploader.h"
#include "graphics/Texture.h"
#include "graphics/TextureManager.h"
#include "world/EngineFixture.h"
#include "world/LoadEvent.h"
#include "world/ResourceManager.h"

// Keeps a copy of every "LoadResource" request queued after it was made: what is queued
// already is dispatched first.
class LoadRequestListener
{
public:
    LoadRequestListener()
    {
        Orva::EventManager::PushAllEvents();
        Orva::EventManager::getInstance().ListenToEvent(
            "LoadResource", Orva::FunctionHolder(this, &LoadRequestListener::onEvent));
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
    void onEvent(Orva::BaseEvent* event)
    {
        received.push_back(*static_cast<Orva::Events::LoadEvent*>(event));
    }

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

    static Orva::Graphics::TextureManager& textures()
    {
        return Orva::Graphics::TextureManager::getInstance();
    }
    static Orva::Graphics::AnimationManager& animations()
    {
        return Orva::Graphics::AnimationManager::getInstance();
    }
    static std::string key(const std::string& path)
    {
        return Orva::Resources::ResourceManager::getFullPath(path);
    }

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
