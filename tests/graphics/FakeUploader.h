#pragma once

#include <map>
#include <vector>

#include "graphics/TextureUploader.h"

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
