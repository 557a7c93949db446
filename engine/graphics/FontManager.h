#pragma once

#include <string>
#include <utility>
#include <vector>

#include "core/Export.h"
#include "core/Singleton.h"

namespace Orva::Graphics {

// STUB: loads no font; keeps every makeFont call in order, and measures a text as one world
// unit per byte at scale 1. The fonts issue replaces it.
class ORVA_API FontManager : public Singleton<FontManager>
{
public:
    using FontRequest = std::pair<std::string, unsigned>;

    void makeFont(const std::string& file, unsigned size) { fontRequests_.emplace_back(file, size); }
    float getLength(const std::string& text, float scale) const
    {
        return static_cast<float>(text.size()) * scale;
    }

    // (file, size) of every makeFont call, in order.
    const std::vector<FontRequest>& getFontRequests() const noexcept { return fontRequests_; }

private:
    std::vector<FontRequest> fontRequests_;
};

} // namespace Orva::Graphics
