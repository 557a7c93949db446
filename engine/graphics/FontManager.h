#pragma once

#include <string>

#include "core/Export.h"
#include "core/Singleton.h"

namespace Orva::Graphics {

// STUB: loads no font and measures every text as 0 wide. The fonts issue replaces it.
class ORVA_API FontManager : public Singleton<FontManager>
{
public:
    void makeFont(const std::string& /*file*/, unsigned /*size*/) {}
    float getLength(const std::string& /*text*/, float /*scale*/) const { return 0.0f; }
};

} // namespace Orva::Graphics
