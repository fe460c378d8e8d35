#include "AppWiring.h"

#include "capture/ScreenshotManager.h"
#include "chat/ChatWindowManager.h"
#include "store/CurrentConversation.h"

namespace AppWiring {

void install()
{
    // Before the windows that show it; the saved list loads later, in the
    // background.
    CurrentConversation::shared();

    // The screen selection, then the analysis overlay, take Escape before
    // the chat window does.
    ChatWindowManager::shared().setCaptureHoldsKeys([] {
        const ScreenshotManager &capture = ScreenshotManager::shared();
        return capture.isSelecting() || capture.isShowingOverlay();
    });
}

} // namespace AppWiring
