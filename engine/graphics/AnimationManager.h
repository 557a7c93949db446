#pragma once

#include <string>

#include "core/BaseEvent.h"
#include "core/EventCallbackObject.h"
#include "core/Export.h"
#include "core/MemoryPoolManager.h"
#include "core/Singleton.h"

namespace Orva::Graphics {

class Texture;

// Gives each loaded image its frame grid and animation table, read from the XML file next to
// it (the image path with its extension replaced by ".xml"). A reply is applied only to a
// texture the texture manager still holds for that path.
class ORVA_API AnimationManager : public Singleton<AnimationManager>
{
public:
    ORVA_POOLED_OPERATORS(AnimationManager)

    // Listens to "OnResourceLoadComplete".
    AnimationManager();

    AnimationManager(const AnimationManager&) = delete;
    AnimationManager& operator=(const AnimationManager&) = delete;

    // Asks for the animation file of the texture, whose image path is given; the texture is
    // the request id.
    void loadAnimation(Texture* texture, const std::string& imagePath);
    // The "OnResourceLoadComplete" listener for this manager's requests. A missing file
    // changes nothing; a file that is not XML ends the reply, and one without its
    // animation, frames or names element, or with a name without text, is skipped, each
    // with a line on stderr.
    void onResourceLoadComplete(BaseEvent* event);

    // The path cut at its last "." (images/a.b/c gives images/a), followed by ".xml".
    static std::string animationPathOf(const std::string& imagePath);

    EventCallbackObject& getEventCallbackObject() noexcept { return eventCallbacks_; }

private:
    EventCallbackObject eventCallbacks_;
};

} // namespace Orva::Graphics
